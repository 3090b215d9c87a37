#include "platform/display/CNativeWindow.h"

#include "platform/display/CDisplayTrace.h"
#include "platform/display/CDisplay.h"
#include "platform/display/DisplayGdk.h"
#include "platform/display/NativeWindowGtk.h"

#include <gdk/gdkx.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <climits>
#include <set>
#include <stdexcept>
#include <string>

namespace NSPlatform
{

namespace
{

int16_t Clamp16(double v)
{
    return static_cast<int16_t>(std::clamp(static_cast<int>(v), SHRT_MIN, SHRT_MAX));
}

// The character a key gives in the record's low byte: the printable character, or
// the classic control codes for the editing and arrow keys.
uint8_t KeyCharacter(guint keyval)
{
    switch (keyval)
    {
    case GDK_KEY_Return:
        return 0x0D;
    case GDK_KEY_KP_Enter:
        return 0x03;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
        return 0x09;
    case GDK_KEY_BackSpace:
        return 0x08;
    case GDK_KEY_Escape:
        return 0x1B;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
        return 0x7F;
    case GDK_KEY_Left:
        return 0x1C;
    case GDK_KEY_Right:
        return 0x1D;
    case GDK_KEY_Up:
        return 0x1E;
    case GDK_KEY_Down:
        return 0x1F;
    case GDK_KEY_Home:
        return 0x01;
    case GDK_KEY_End:
        return 0x04;
    case GDK_KEY_Page_Up:
        return 0x0B;
    case GDK_KEY_Page_Down:
        return 0x0C;
    default:
        break;
    }
    const guint32 unicode = gdk_keyval_to_unicode(keyval);
    return unicode > 0 && unicode < 0x100 ? static_cast<uint8_t>(unicode) : 0;
}

// The toolkit takes UTF-8 only: broken sequences become replacement characters
// instead of warnings and garbage in the title bar.
std::string ValidUTF8(const std::string& text)
{
    gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    std::string result = valid;
    g_free(valid);
    return result;
}

} // namespace

struct CNativeWindow::SImpl
{
    CNativeWindow* mOwner = nullptr;
    EKind mKind = kDocument;
    GtkWidget* mWidget = nullptr;  // the top-level window
    GtkWidget* mChrome = nullptr;  // vertical box: menu bar slot above the client
    GtkWidget* mMenuSlot = nullptr;
    GtkWidget* mOverlay = nullptr;
    GtkWidget* mClient = nullptr;  // the drawing area: the framework's port
    GtkWidget* mControls = nullptr; // fixed layer above the client for native controls
    SDisplayRect mRequested;
    cairo_surface_t* mStore = nullptr;
    int mStoreWidth = 0; // logical pixels
    int mStoreHeight = 0;
    int mStoreScale = 1;
    uint64_t mPaints = 0;
    std::set<guint16> mKeysDown;
    bool mFocused = false;
    bool mMaximized = false;
    bool mResizable = true;
    bool mZoomable = true;
    bool mClosable = true;
    uint64_t mInvalidatedPixels = 0;
    std::vector<std::pair<GtkWidget*, gulong>> mHandlers;

    void RebuildStore(int width, int height, int scale)
    {
        width = std::max(width, 1);
        height = std::max(height, 1);
        if (mStore && width == mStoreWidth && height == mStoreHeight && scale == mStoreScale)
            return;
        GdkWindow* gdkWindow = mClient ? gtk_widget_get_window(mClient) : nullptr;
        cairo_surface_t* fresh = nullptr;
        if (gdkWindow)
        {
            // Sized in device pixels; the call sets the device scale.
            fresh = gdk_window_create_similar_image_surface(gdkWindow, CAIRO_FORMAT_RGB24,
                                                            width * scale, height * scale, scale);
        }
        else
        {
            fresh = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width * scale, height * scale);
            cairo_surface_set_device_scale(fresh, scale, scale);
        }
        cairo_t* cr = cairo_create(fresh);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        if (mStore)
        {
            // Keep what was drawn until the framework redraws at the new size.
            cairo_set_source_surface(cr, mStore, 0, 0);
            cairo_paint(cr);
            cairo_surface_destroy(mStore);
        }
        cairo_destroy(cr);
        mStore = fresh;
        const bool resized = mStoreWidth != 0;
        mStoreWidth = width;
        mStoreHeight = height;
        mStoreScale = scale;
        if (resized)
        {
            SEventRecord update;
            update.mWhat = kUpdateEvent;
            update.mWindow = mOwner;
            CDisplay::Stamp(update);
            CDisplay::Record(std::move(update));
        }
        if (mClient)
            gtk_widget_queue_draw(mClient);
    }

    void RebuildForWidget()
    {
        RebuildStore(gtk_widget_get_allocated_width(mClient),
                     gtk_widget_get_allocated_height(mClient),
                     gtk_widget_get_scale_factor(mClient));
    }

    // Height of what sits above the client area inside the window (the menu bar).
    int TopInset() const
    {
        if (!mMenuSlot || !gtk_widget_get_visible(mMenuSlot))
            return 0;
        if (gtk_widget_get_realized(mMenuSlot))
            return gtk_widget_get_allocated_height(mMenuSlot);
        int natural = 0;
        gtk_widget_get_preferred_height(mMenuSlot, nullptr, &natural);
        return natural;
    }

    // The top-level is placed so that its client area lands on rect.
    void PlaceClient(const SDisplayRect& rect)
    {
        GtkWindow* window = GTK_WINDOW(mWidget);
        const int inset = TopInset();
        gtk_window_move(window, rect.mLeft, rect.mTop - inset);
        gtk_window_resize(window, std::max(rect.Width(), 1), std::max(rect.Height(), 1) + inset);
    }

    void RecordPointer(uint16_t what, const GdkEventButton* button)
    {
        SEventRecord event;
        event.mWhat = what;
        event.mWhen = CDisplay::NowTicks();
        event.mWhereH = Clamp16(button->x_root);
        event.mWhereV = Clamp16(button->y_root);
        guint state = button->state;
        // GDK gives the state before the event: a press adds its button, a release removes it.
        const guint buttonMask = button->button >= 1 && button->button <= 5
                                     ? (GDK_BUTTON1_MASK << (button->button - 1))
                                     : 0;
        state = what == kMouseDown ? (state | buttonMask) : (state & ~buttonMask);
        event.mModifiers = ModifierWordFromState(state);
        if (what == kMouseDown && button->button == GDK_BUTTON_SECONDARY)
            event.mModifiers |= kControlKey;
        event.mButton = static_cast<uint8_t>(button->button);
        event.mWindow = mOwner;
        LastPointer() = {button->x_root, button->y_root, true};
        CDisplay::Record(std::move(event));
    }

    void RecordKey(const GdkEventKey* key, bool down)
    {
        SEventRecord event;
        if (down)
            event.mWhat = mKeysDown.insert(key->hardware_keycode).second ? kKeyDown : kAutoKey;
        else
        {
            mKeysDown.erase(key->hardware_keycode);
            event.mWhat = kKeyUp;
        }
        event.mMessage =
            (static_cast<uint32_t>(key->hardware_keycode & 0xFF) << 8) | KeyCharacter(key->keyval);
        event.mWhen = CDisplay::NowTicks();
        event.mModifiers = ModifierWordFromState(key->state);
        event.mWindow = mOwner;
        if (GdkDevice* pointer = DisplayPointerDevice())
        {
            gint x = 0;
            gint y = 0;
            gdk_device_get_position(pointer, nullptr, &x, &y);
            event.mWhereH = Clamp16(x);
            event.mWhereV = Clamp16(y);
        }
        CDisplay::Record(std::move(event));
    }

    void RecordFocus(bool in)
    {
        mFocused = in;
        if (!in)
            mKeysDown.clear();
        SEventRecord event;
        event.mWhat = kActivateEvent;
        event.mWindow = mOwner;
        CDisplay::Stamp(event);
        event.mModifiers =
            static_cast<uint16_t>((event.mModifiers & ~kActiveFlag) | (in ? kActiveFlag : 0));
        CDisplay::Record(std::move(event));
        NoteApplicationFocusChanged();
    }

    static gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data)
    {
        auto* self = static_cast<SImpl*>(data);
        if (self->mStore)
        {
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_set_source_surface(cr, self->mStore, 0, 0);
            cairo_paint(cr);
        }
        ++self->mPaints;
        return TRUE;
    }

    static void OnSizeAllocate(GtkWidget*, GdkRectangle* allocation, gpointer data)
    {
        auto* self = static_cast<SImpl*>(data);
        SDisplayRect& known = self->mRequested;
        // Before the store's update: the framework lays its views out first.
        if (allocation->width != known.Width() || allocation->height != known.Height())
        {
            known.mRight = known.mLeft + allocation->width;
            known.mBottom = known.mTop + allocation->height;
            self->RecordFrame(5);
        }
        self->RebuildForWidget();
    }

    static void OnScaleChanged(GObject*, GParamSpec*, gpointer data)
    {
        static_cast<SImpl*>(data)->RebuildForWidget();
    }

    static void OnRealize(GtkWidget* widget, gpointer data)
    {
        auto* self = static_cast<SImpl*>(data);
        // The store now takes the window's visual and scale; its size is unchanged,
        // so this is no resize the framework needs to hear of.
        const int width = self->mStoreWidth;
        const int height = self->mStoreHeight;
        self->mStoreWidth = 0;
        self->RebuildStore(width, height, gtk_widget_get_scale_factor(widget));
        ApplyCurrentCursor(gtk_widget_get_window(widget));
    }

    void ApplyFrameFunctions()
    {
        GdkWindow* gdkWindow = gtk_widget_get_window(mWidget);
        if (!gdkWindow)
            return;
        int functions = GDK_FUNC_MOVE | GDK_FUNC_MINIMIZE;
        if (mResizable)
            functions |= GDK_FUNC_RESIZE;
        if (mZoomable)
            functions |= GDK_FUNC_MAXIMIZE;
        if (mClosable)
            functions |= GDK_FUNC_CLOSE;
        gdk_window_set_functions(gdkWindow, static_cast<GdkWMFunction>(functions));
    }

    static void OnToplevelRealize(GtkWidget*, gpointer data)
    {
        static_cast<SImpl*>(data)->ApplyFrameFunctions();
    }

    void RecordFrame(uint32_t part)
    {
        SEventRecord event;
        event.mWhat = kWindowFrameEvent;
        event.mMessage = part;
        event.mWindow = mOwner;
        CDisplay::Stamp(event);
        CDisplay::Record(std::move(event));
    }

    // The window manager (or the server) placed the window: a move the framework did
    // not ask for is reported; sizes are reported when the client area is allocated.
    static gboolean OnConfigure(GtkWidget*, GdkEventConfigure* configure, gpointer data)
    {
        auto* self = static_cast<SImpl*>(data);
        GdkWindow* gdkWindow = gtk_widget_get_window(self->mClient);
        if (!gdkWindow)
            return FALSE;
        // The toolkit has already put the frame's place on the screen into the event;
        // the client area's offset inside the frame is known here. Asking the server
        // for the origin instead costs a round trip for every move.
        gint x = configure->x;
        gint y = configure->y;
        GdkWindow* inner = gdkWindow;
        for (; inner && inner != configure->window; inner = gdk_window_get_parent(inner))
        {
            gint dx = 0;
            gint dy = 0;
            gdk_window_get_position(inner, &dx, &dy);
            x += dx;
            y += dy;
        }
        if (!inner)
            gdk_window_get_origin(gdkWindow, &x, &y);
        SDisplayRect& known = self->mRequested;
        if (x == known.mLeft && y == known.mTop)
            return FALSE;
        known = {x, y, x + known.Width(), y + known.Height()};
        self->RecordFrame(4);
        return FALSE;
    }

    static gboolean OnWindowState(GtkWidget*, GdkEventWindowState* state, gpointer data)
    {
        auto* self = static_cast<SImpl*>(data);
        if (!(state->changed_mask & GDK_WINDOW_STATE_MAXIMIZED))
            return FALSE;
        self->mMaximized = (state->new_window_state & GDK_WINDOW_STATE_MAXIMIZED) != 0;
        // Zoomed out to the large size, or back in to the user's own.
        self->RecordFrame(self->mMaximized ? 8 : 7);
        return FALSE;
    }

    static gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer data)
    {
        // The framework tells double clicks itself, from the times of single presses.
        if (event->type == GDK_BUTTON_PRESS)
            static_cast<SImpl*>(data)->RecordPointer(kMouseDown, event);
        else if (event->type == GDK_BUTTON_RELEASE)
            static_cast<SImpl*>(data)->RecordPointer(kMouseUp, event);
        return TRUE;
    }

    static gboolean OnMotion(GtkWidget*, GdkEventMotion* motion, gpointer data)
    {
        auto* self = static_cast<SImpl*>(data);
        SEventRecord event;
        event.mWhat = kOSEvent;
        event.mMessage = kMouseMovedMessage << 24;
        event.mWhen = CDisplay::NowTicks();
        event.mWhereH = Clamp16(motion->x_root);
        event.mWhereV = Clamp16(motion->y_root);
        event.mModifiers = ModifierWordFromState(motion->state);
        SLastPointer& last = LastPointer();
        if (last.mKnown)
        {
            event.mDeltaH = Clamp16(motion->x_root - last.mX);
            event.mDeltaV = Clamp16(motion->y_root - last.mY);
        }
        last = {motion->x_root, motion->y_root, true};
        event.mWindow = self->mOwner;
        CDisplay::Record(std::move(event));
        return TRUE;
    }

    static gboolean OnScroll(GtkWidget*, GdkEventScroll* scroll, gpointer data)
    {
        SEventRecord event;
        event.mWhat = kMouseWheelEvent;
        event.mWhen = CDisplay::NowTicks();
        event.mWhereH = Clamp16(scroll->x_root);
        event.mWhereV = Clamp16(scroll->y_root);
        event.mModifiers = ModifierWordFromState(scroll->state);
        event.mWindow = static_cast<SImpl*>(data)->mOwner;
        switch (scroll->direction)
        {
        case GDK_SCROLL_UP: event.mDeltaV = 1; break;
        case GDK_SCROLL_DOWN: event.mDeltaV = -1; break;
        case GDK_SCROLL_LEFT: event.mDeltaH = -1; break;
        case GDK_SCROLL_RIGHT: event.mDeltaH = 1; break;
        case GDK_SCROLL_SMOOTH:
            // Touchpads scroll in fractions of a notch; whole notches are what counts.
            event.mDeltaV = Clamp16(-scroll->delta_y);
            event.mDeltaH = Clamp16(scroll->delta_x);
            if (event.mDeltaV == 0 && event.mDeltaH == 0)
                return TRUE;
            break;
        }
        CDisplay::Record(std::move(event));
        return TRUE;
    }

    static gboolean OnKeyPress(GtkWidget*, GdkEventKey* key, gpointer data)
    {
        static_cast<SImpl*>(data)->RecordKey(key, true);
        return TRUE;
    }

    static gboolean OnKeyRelease(GtkWidget*, GdkEventKey* key, gpointer data)
    {
        static_cast<SImpl*>(data)->RecordKey(key, false);
        return TRUE;
    }

    static gboolean OnFocusIn(GtkWidget*, GdkEventFocus*, gpointer data)
    {
        static_cast<SImpl*>(data)->RecordFocus(true);
        return FALSE;
    }

    static gboolean OnFocusOut(GtkWidget*, GdkEventFocus*, gpointer data)
    {
        static_cast<SImpl*>(data)->RecordFocus(false);
        return FALSE;
    }

    static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data)
    {
        // The framework decides later whether the window closes.
        SEventRecord event;
        event.mWhat = kWindowCloseEvent;
        event.mWindow = static_cast<SImpl*>(data)->mOwner;
        CDisplay::Stamp(event);
        CDisplay::Record(std::move(event));
        return TRUE;
    }

    static void OnDragData(GtkWidget*, GdkDragContext* context, gint, gint, GtkSelectionData* data,
                           guint, guint time, gpointer self)
    {
        SEventRecord event;
        event.mWhat = kHighLevelEvent;
        event.mMessage = kCoreEventClass;
        event.mHighLevelID = kAEOpenDocuments;
        event.mWindow = static_cast<SImpl*>(self)->mOwner;
        if (gchar** uris = gtk_selection_data_get_uris(data))
        {
            for (gchar** uri = uris; *uri; ++uri)
            {
                if (gchar* path = g_filename_from_uri(*uri, nullptr, nullptr))
                {
                    event.mFiles.emplace_back(path);
                    g_free(path);
                }
            }
            g_strfreev(uris);
        }
        const bool any = !event.mFiles.empty();
        if (any)
        {
            CDisplay::Stamp(event);
            CDisplay::Record(std::move(event));
        }
        gtk_drag_finish(context, any, FALSE, time);
    }
};

CNativeWindow::CNativeWindow(EKind kind, const std::string& title, const SDisplayRect& clientRect)
    : fImpl(std::make_unique<SImpl>())
{
    if (!CDisplay::IsOpen())
        throw std::runtime_error("no display to open a window on");
    SImpl& impl = *fImpl;
    impl.mOwner = this;
    impl.mKind = kind;
    impl.mRequested = clientRect;
    // Creating the font map starts reading the font configuration on a thread of
    // its own: started before the first window, it is done while the toolkit loads
    // its theme for that window instead of holding up the first text it measures.
    pango_cairo_font_map_get_default();
    GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    impl.mWidget = widget;
    g_object_ref_sink(widget);
    GtkWindow* window = GTK_WINDOW(widget);
    gtk_window_set_title(window, ValidUTF8(title).c_str());
    // The position given is that of the client area, whatever the frame around it.
    gtk_window_set_gravity(window, GDK_GRAVITY_STATIC);
    gtk_widget_set_app_paintable(widget, TRUE);
    switch (kind)
    {
    case kDocument:
        break;
    case kDialog:
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
        break;
    case kModalDialog:
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
        gtk_window_set_modal(window, TRUE);
        break;
    case kModal:
        gtk_window_set_decorated(window, FALSE);
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_DIALOG);
        gtk_window_set_modal(window, TRUE);
        break;
    case kFloating:
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_UTILITY);
        gtk_window_set_keep_above(window, TRUE);
        break;
    case kPlain:
        gtk_window_set_decorated(window, FALSE);
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_SPLASHSCREEN);
        break;
    case kToolbar:
        gtk_window_set_decorated(window, FALSE);
        gtk_window_set_type_hint(window, GDK_WINDOW_TYPE_HINT_TOOLBAR);
        gtk_window_set_accept_focus(window, FALSE);
        break;
    }
    gtk_widget_add_events(widget, GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK |
                                      GDK_FOCUS_CHANGE_MASK | GDK_STRUCTURE_MASK);

    // window > box(menu slot, overlay(client drawing area, control layer)). The
    // client is the framework's port; native controls sit above it at client
    // coordinates; the menu bar, when there is one, counts as frame.
    impl.mChrome = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    impl.mMenuSlot = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    gtk_widget_set_no_show_all(impl.mMenuSlot, TRUE);
    impl.mOverlay = gtk_overlay_new();
    impl.mClient = gtk_drawing_area_new();
    impl.mControls = gtk_fixed_new();
    gtk_widget_set_hexpand(impl.mClient, TRUE);
    gtk_widget_set_vexpand(impl.mClient, TRUE);
    gtk_widget_set_halign(impl.mControls, GTK_ALIGN_FILL);
    gtk_widget_set_valign(impl.mControls, GTK_ALIGN_FILL);
    gtk_widget_add_events(impl.mClient, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                            GDK_BUTTON_MOTION_MASK | GDK_SCROLL_MASK);
    gtk_container_add(GTK_CONTAINER(impl.mOverlay), impl.mClient);
    gtk_overlay_add_overlay(GTK_OVERLAY(impl.mOverlay), impl.mControls);
    gtk_overlay_set_overlay_pass_through(GTK_OVERLAY(impl.mOverlay), impl.mControls, TRUE);
    gtk_box_pack_start(GTK_BOX(impl.mChrome), impl.mMenuSlot, FALSE, FALSE, 0);
    gtk_box_pack_start(GTK_BOX(impl.mChrome), impl.mOverlay, TRUE, TRUE, 0);
    gtk_container_add(GTK_CONTAINER(widget), impl.mChrome);
    gtk_widget_show(impl.mChrome);
    gtk_widget_show(impl.mOverlay);
    gtk_widget_show(impl.mClient);
    gtk_widget_show(impl.mControls);

    gtk_window_set_default_size(window, std::max(clientRect.Width(), 1),
                                std::max(clientRect.Height(), 1));
    impl.PlaceClient(clientRect);

    static const GtkTargetEntry kUriList = {const_cast<gchar*>("text/uri-list"), 0, 0};
    gtk_drag_dest_set(widget, GTK_DEST_DEFAULT_ALL, &kUriList, 1, GDK_ACTION_COPY);

    void* data = fImpl.get();
    auto connectTo = [&](GtkWidget* target, const char* signal, GCallback callback)
    { impl.mHandlers.push_back({target, g_signal_connect(target, signal, callback, data)}); };
    auto connect = [&](const char* signal, GCallback callback)
    { connectTo(widget, signal, callback); };
    connectTo(impl.mClient, "draw", G_CALLBACK(SImpl::OnDraw));
    connectTo(impl.mClient, "size-allocate", G_CALLBACK(SImpl::OnSizeAllocate));
    connectTo(impl.mClient, "notify::scale-factor", G_CALLBACK(SImpl::OnScaleChanged));
    connectTo(impl.mClient, "realize", G_CALLBACK(SImpl::OnRealize));
    connectTo(impl.mClient, "button-press-event", G_CALLBACK(SImpl::OnButton));
    connectTo(impl.mClient, "button-release-event", G_CALLBACK(SImpl::OnButton));
    connectTo(impl.mClient, "motion-notify-event", G_CALLBACK(SImpl::OnMotion));
    connectTo(impl.mClient, "scroll-event", G_CALLBACK(SImpl::OnScroll));
    connect("key-press-event", G_CALLBACK(SImpl::OnKeyPress));
    connect("key-release-event", G_CALLBACK(SImpl::OnKeyRelease));
    connect("focus-in-event", G_CALLBACK(SImpl::OnFocusIn));
    connect("focus-out-event", G_CALLBACK(SImpl::OnFocusOut));
    connect("delete-event", G_CALLBACK(SImpl::OnDelete));
    connect("drag-data-received", G_CALLBACK(SImpl::OnDragData));
    connect("realize", G_CALLBACK(SImpl::OnToplevelRealize));
    connect("configure-event", G_CALLBACK(SImpl::OnConfigure));
    connect("window-state-event", G_CALLBACK(SImpl::OnWindowState));

    impl.RebuildStore(clientRect.Width(), clientRect.Height(), 1);
    RegisterNativeWindow(widget);
    CDisplayTrace::WatchWindow(widget);
}

CNativeWindow::~CNativeWindow()
{
    SImpl& impl = *fImpl;
    UnregisterNativeWindow(impl.mWidget);
    for (const auto& [target, id] : impl.mHandlers)
        g_signal_handler_disconnect(target, id);
    const bool hadFocus = impl.mFocused;
    gtk_widget_destroy(impl.mWidget);
    g_object_unref(impl.mWidget);
    if (impl.mStore)
        cairo_surface_destroy(impl.mStore);
    CDisplay::ForgetWindow(this);
    if (hadFocus)
        NoteApplicationFocusChanged();
}

CNativeWindow::EKind CNativeWindow::GetKind() const
{
    return fImpl->mKind;
}

void CNativeWindow::SetTitle(const std::string& title)
{
    gtk_window_set_title(GTK_WINDOW(fImpl->mWidget), ValidUTF8(title).c_str());
}

std::string CNativeWindow::GetTitle() const
{
    const char* title = gtk_window_get_title(GTK_WINDOW(fImpl->mWidget));
    return title ? title : "";
}

void CNativeWindow::Show()
{
    gtk_widget_show(fImpl->mWidget);
}

void CNativeWindow::Hide()
{
    gtk_widget_hide(fImpl->mWidget);
}

bool CNativeWindow::IsVisible() const
{
    return gtk_widget_get_visible(fImpl->mWidget);
}

namespace
{

struct SPresentWait
{
    const CNativeWindow* mWindow = nullptr;
    bool mPresented = false;
    bool mTimedOut = false;
};

void OnAfterPaintWhileWaiting(GdkFrameClock*, gpointer data)
{
    auto* wait = static_cast<SPresentWait*>(data);
    // A frame may only lay the window out; the one that painted the client counts.
    if (wait->mWindow->GetPaintCount() > 0)
        wait->mPresented = true;
}

gboolean OnPresentTimeout(gpointer data)
{
    static_cast<SPresentWait*>(data)->mTimedOut = true;
    return G_SOURCE_REMOVE;
}

} // namespace

bool CNativeWindow::WaitUntilPresented(int timeoutMs)
{
    if (GetPaintCount() > 0)
        return true;
    GdkFrameClock* clock = gtk_widget_get_frame_clock(fImpl->mWidget);
    if (!clock || !gtk_widget_get_visible(fImpl->mWidget) || timeoutMs <= 0)
        return false;
    SPresentWait wait;
    wait.mWindow = this;
    const gulong handler =
        g_signal_connect(clock, "after-paint", G_CALLBACK(OnAfterPaintWhileWaiting), &wait);
    GSource* timeout = g_timeout_source_new(static_cast<guint>(timeoutMs));
    g_source_set_callback(timeout, OnPresentTimeout, &wait, nullptr);
    GMainContext* context = g_main_context_default();
    g_source_attach(timeout, context);
    // Only the toolkit's sources are in this context: the framework's events are
    // recorded by them and wait in its queue until its loop runs.
    while (!wait.mPresented && !wait.mTimedOut && !CDisplay::IsConnectionLost())
        g_main_context_iteration(context, TRUE);
    g_source_destroy(timeout);
    g_source_unref(timeout);
    g_signal_handler_disconnect(clock, handler);
    return wait.mPresented;
}

SDisplayRect CNativeWindow::GetClientRect() const
{
    // What was asked for last, corrected by what the window system reported since:
    // a rectangle just asked for counts at once, before the server has applied it.
    return fImpl->mRequested;
}

SDisplayRect CNativeWindow::GetFrameRect() const
{
    GdkWindow* gdkWindow = gtk_widget_get_window(fImpl->mWidget);
    if (!gdkWindow || !gtk_widget_get_mapped(fImpl->mWidget))
        return fImpl->mRequested;
    GdkRectangle frame;
    gdk_window_get_frame_extents(gdkWindow, &frame);
    return {frame.x, frame.y, frame.x + frame.width, frame.y + frame.height};
}

void CNativeWindow::SetClientRect(const SDisplayRect& rect)
{
    fImpl->mRequested = rect;
    fImpl->PlaceClient(rect);
}

int CNativeWindow::GetTopInset() const
{
    return fImpl->TopInset();
}

void CNativeWindow::Activate()
{
    gtk_window_present(GTK_WINDOW(fImpl->mWidget));
}

bool CNativeWindow::IsActive() const
{
    return fImpl->mFocused;
}

cairo_surface_t* CNativeWindow::GetBackingStore() const
{
    return fImpl->mStore;
}

int CNativeWindow::GetScale() const
{
    return fImpl->mStoreScale;
}

void CNativeWindow::Invalidate(const SDisplayRect& rect)
{
    if (rect.Width() > 0 && rect.Height() > 0)
    {
        fImpl->mInvalidatedPixels += static_cast<uint64_t>(rect.Width()) * rect.Height();
        gtk_widget_queue_draw_area(fImpl->mClient, rect.mLeft, rect.mTop, rect.Width(),
                                   rect.Height());
    }
}

void CNativeWindow::Invalidate(const cairo_region_t* region)
{
    if (!region)
        return;
    const int count = cairo_region_num_rectangles(region);
    for (int i = 0; i < count; ++i)
    {
        cairo_rectangle_int_t r;
        cairo_region_get_rectangle(region, i, &r);
        fImpl->mInvalidatedPixels += static_cast<uint64_t>(r.width) * r.height;
    }
    gtk_widget_queue_draw_region(fImpl->mClient, region);
}

void CNativeWindow::InvalidateAll()
{
    fImpl->mInvalidatedPixels += static_cast<uint64_t>(fImpl->mStoreWidth) * fImpl->mStoreHeight;
    gtk_widget_queue_draw(fImpl->mClient);
}

uint64_t CNativeWindow::GetInvalidatedPixelCount() const
{
    return fImpl->mInvalidatedPixels;
}

void CNativeWindow::Raise()
{
    if (GdkWindow* gdkWindow = gtk_widget_get_window(fImpl->mWidget))
        gdk_window_raise(gdkWindow);
}

void CNativeWindow::SetFrameFunctions(bool resizable, bool zoomable, bool closable)
{
    fImpl->mResizable = resizable;
    fImpl->mZoomable = zoomable;
    fImpl->mClosable = closable;
    gtk_window_set_deletable(GTK_WINDOW(fImpl->mWidget), closable);
    fImpl->ApplyFrameFunctions();
}

void CNativeWindow::SetTransientFor(CNativeWindow* parent)
{
    gtk_window_set_transient_for(GTK_WINDOW(fImpl->mWidget),
                                 parent ? GTK_WINDOW(parent->fImpl->mWidget) : nullptr);
}

void CNativeWindow::BeginResizeDrag(int button, int rootX, int rootY)
{
    gtk_window_begin_resize_drag(GTK_WINDOW(fImpl->mWidget), GDK_WINDOW_EDGE_SOUTH_EAST, button,
                                 rootX, rootY, GDK_CURRENT_TIME);
}

void CNativeWindow::SetMaximized(bool maximized)
{
    if (maximized)
        gtk_window_maximize(GTK_WINDOW(fImpl->mWidget));
    else
        gtk_window_unmaximize(GTK_WINDOW(fImpl->mWidget));
}

bool CNativeWindow::IsMaximized() const
{
    return fImpl->mMaximized;
}

uint64_t CNativeWindow::GetPaintCount() const
{
    return fImpl->mPaints;
}

unsigned long CNativeWindow::GetXID() const
{
    GdkWindow* gdkWindow = gtk_widget_get_window(fImpl->mWidget);
    if (!gdkWindow || !GDK_IS_X11_WINDOW(gdkWindow))
        return 0;
    return GDK_WINDOW_XID(gdkWindow);
}

GtkWidget* NativeWindowToplevel(const CNativeWindow& window)
{
    return window.fImpl->mWidget;
}

GtkWidget* NativeWindowClient(const CNativeWindow& window)
{
    return window.fImpl->mClient;
}

GtkBox* NativeWindowMenuSlot(const CNativeWindow& window)
{
    return GTK_BOX(window.fImpl->mMenuSlot);
}

GtkFixed* NativeWindowControlLayer(const CNativeWindow& window)
{
    return GTK_FIXED(window.fImpl->mControls);
}

void NativeWindowFrameChanged(CNativeWindow& window)
{
    CNativeWindow::SImpl& impl = *window.fImpl;
    GList* children = gtk_container_get_children(GTK_CONTAINER(impl.mMenuSlot));
    gtk_widget_set_visible(impl.mMenuSlot, children != nullptr);
    g_list_free(children);
    impl.PlaceClient(window.GetClientRect());
}

} // namespace NSPlatform
