#include "platform/display/CNativeControl.h"

#include "platform/CMeasureTrace.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"
#include "platform/display/NativeWindowGtk.h"
#include "platform/display/SEventRecord.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace NSPlatform
{

namespace
{

// Every control carries this style class; the application's style sheet below
// lets classic-sized items hold the theme's controls: a button of 20 px, a
// progress bar of 12 px, a scroll bar of 15 px with its arrows.
constexpr const char* kControlClass = "wayfarer-control";

constexpr const char* kControlStyle = R"css(
button.wayfarer-control { padding: 0 4px; min-height: 0; min-width: 0; }
button.wayfarer-control label { padding: 0; min-height: 0; min-width: 0; }
progressbar.wayfarer-control,
progressbar.wayfarer-control trough,
progressbar.wayfarer-control progress { min-height: 0; min-width: 0; }
progressbar.wayfarer-control trough { border-radius: 2px; }
scrollbar.wayfarer-control {
  -GtkScrollbar-has-backward-stepper: true;
  -GtkScrollbar-has-forward-stepper: true;
}
scrollbar.wayfarer-control slider { min-width: 6px; min-height: 6px; }
)css";

std::function<void()>& TrackingIdleHook()
{
    static std::function<void()> gHook;
    return gHook;
}

void InstallControlStyle(GtkWidget* widget)
{
    static bool gInstalled = false;
    if (gInstalled)
        return;
    gInstalled = true;
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kControlStyle, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(widget),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
    // A click in a scroll bar's page area pages, as users of this program expect,
    // instead of jumping the thumb to the pointer.
    g_object_set(gtk_widget_get_settings(widget), "gtk-primary-button-warps-slider", FALSE,
                 nullptr);
}

std::string ValidUTF8(const std::string& text)
{
    gchar* valid = g_utf8_make_valid(text.c_str(), static_cast<gssize>(text.size()));
    std::string result = valid;
    g_free(valid);
    return result;
}

// A font family as a quoted CSS string: quotes, backslashes and control
// characters cannot break out of it.
std::string CssString(const std::string& text)
{
    std::string quoted = "\"";
    for (char c : ValidUTF8(text))
    {
        if (static_cast<unsigned char>(c) < 0x20)
            continue;
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

const char* IconName(CNativeControl::EIcon icon)
{
    switch (icon)
    {
    case CNativeControl::kInformationIcon:
        return "dialog-information";
    case CNativeControl::kWarningIcon:
        return "dialog-warning";
    case CNativeControl::kErrorIcon:
        break;
    }
    return "dialog-error";
}

bool IsScrollBar(CNativeControl::EKind kind)
{
    return kind == CNativeControl::kHorizontalScrollBar ||
           kind == CNativeControl::kVerticalScrollBar;
}

} // namespace

struct CNativeControl::SImpl
{
    CNativeControl* mOwner = nullptr;
    CNativeWindow* mWindow = nullptr;
    EKind mKind = kPushButton;
    GtkWidget* mWidget = nullptr;
    SDisplayRect mRect;
    std::string mText;
    int mValue = 0;
    int mMinimum = 0;
    int mMaximum = 0;
    int mPageSize = 0;
    bool mIndeterminate = false;
    bool mEnabled = true;
    bool mDefault = false;
    std::string mFontFamily;
    int mFontSize = 0;
    bool mFontBold = false;
    bool mFontItalic = false;
    // 0xRRGGBB of the text, or -1 for the theme's.
    int32_t mTextColor = -1;
    GtkCssProvider* mFontProvider = nullptr;
    // Static texts: the height of a line in the font last measured, and what it
    // was measured with.
    int mLineHeight = 0;
    PangoFontDescription* mMeasuredFont = nullptr;
    double mMeasuredResolution = 0;
    cairo_font_options_t* mMeasuredOptions = nullptr;
    // Image controls: the pixels shown from the top-left corner.
    int mPixelsWidth = 0;
    int mPixelsHeight = 0;
    std::vector<uint8_t> mPixels;
    bool mHasIcon = false;
    EIcon mIcon = kErrorIcon;

    TActionCallback mAction;
    bool mTracking = false;
    int16_t mTrackedPart = kNoPart;
    bool mPressBeforeSlider = false; // scroll bars: the press was above/left of the thumb
    gint64 mPressTime = 0;
    gint64 mLastRepeat = 0;
    uint64_t mToolkitCalls = 0;
    std::vector<gulong> mHandlers;

    GtkLabel* TextLabel() const
    {
        if (mKind == kStaticText)
            return GTK_LABEL(mWidget);
        if (mKind == kPushButton)
        {
            GtkWidget* child = gtk_bin_get_child(GTK_BIN(mWidget));
            return child && GTK_IS_LABEL(child) ? GTK_LABEL(child) : nullptr;
        }
        return nullptr;
    }

    // The pointer at root coordinates in the coordinates of the widget's parent
    // window, where its allocation lives.
    void ParentPoint(double xRoot, double yRoot, int& x, int& y) const
    {
        gint originX = 0;
        gint originY = 0;
        if (GdkWindow* parent = gtk_widget_get_parent_window(mWidget))
            gdk_window_get_origin(parent, &originX, &originY);
        x = static_cast<int>(std::floor(xRoot)) - originX;
        y = static_cast<int>(std::floor(yRoot)) - originY;
    }

    bool ContainsRoot(double xRoot, double yRoot) const
    {
        int x = 0;
        int y = 0;
        ParentPoint(xRoot, yRoot, x, y);
        GtkAllocation a;
        gtk_widget_get_allocation(mWidget, &a);
        return x >= a.x && x < a.x + a.width && y >= a.y && y < a.y + a.height;
    }

    // A static text wraps inside its rectangle and ends in an ellipsis on the last
    // line that fits, so its height never grows past the rectangle.
    // The control's own font and text colour, one provider for both.
    void ApplyStyle()
    {
        ++mToolkitCalls;
        std::string css = "* {";
        if (!mFontFamily.empty())
            css += " font-family: " + CssString(mFontFamily) + ";";
        if (mFontSize > 0)
            css += " font-size: " + std::to_string(mFontSize) + "px;";
        if (mFontBold)
            css += " font-weight: bold;";
        if (mFontItalic)
            css += " font-style: italic;";
        if (mTextColor >= 0)
        {
            char color[16];
            std::snprintf(color, sizeof color, "#%06X", static_cast<unsigned>(mTextColor));
            css += std::string(" color: ") + color + ";";
        }
        css += " }";
        GtkStyleContext* style = gtk_widget_get_style_context(mWidget);
        if (!mFontProvider)
        {
            mFontProvider = gtk_css_provider_new();
            gtk_style_context_add_provider(style, GTK_STYLE_PROVIDER(mFontProvider),
                                           GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        }
        gtk_css_provider_load_from_data(mFontProvider, css.c_str(), -1, nullptr);
        // The lines that fit are counted again when the toolkit takes the new style
        // up (style-updated), before the text is laid out: asking for the style here
        // would have it worked out once more for every font and colour set.
    }

    void LimitLines()
    {
        if (mKind != kStaticText)
            return;
        GtkStyleContext* style = gtk_widget_get_style_context(mWidget);
        PangoFontDescription* font = nullptr;
        gtk_style_context_get(style, gtk_style_context_get_state(style), "font", &font, nullptr);
        // Laying text out is the dear part, and a text is given its font, its colour
        // and its rectangle one by one while its window is built: the line height
        // is measured again only when the font it depends on has changed.
        PangoContext* context = gtk_widget_get_pango_context(mWidget);
        const double resolution = pango_cairo_context_get_resolution(context);
        const cairo_font_options_t* options = pango_cairo_context_get_font_options(context);
        const bool measured =
            font && mMeasuredFont && pango_font_description_equal(font, mMeasuredFont) &&
            resolution == mMeasuredResolution &&
            (options && mMeasuredOptions ? cairo_font_options_equal(options, mMeasuredOptions)
                                         : options == nullptr && mMeasuredOptions == nullptr);
        if (!measured)
        {
            PangoLayout* layout = gtk_widget_create_pango_layout(mWidget, "Xg");
            if (font)
                pango_layout_set_font_description(layout, font);
            int lineHeight = 0;
            pango_layout_get_pixel_size(layout, nullptr, &lineHeight);
            g_object_unref(layout);
            mLineHeight = lineHeight;
            ForgetMeasuredFont();
            if (font)
            {
                mMeasuredFont = pango_font_description_copy(font);
                mMeasuredResolution = resolution;
                mMeasuredOptions = options ? cairo_font_options_copy(options) : nullptr;
            }
        }
        if (font)
            pango_font_description_free(font);
        ApplyLineLimit();
    }

    // The lines of the last measured height that fit the rectangle; until the style
    // has been taken up once, style-updated does it.
    void ApplyLineLimit()
    {
        if (mKind != kStaticText || mLineHeight <= 0)
            return;
        gtk_label_set_lines(GTK_LABEL(mWidget), std::max(1, mRect.Height() / mLineHeight));
    }

    void ForgetMeasuredFont()
    {
        if (mMeasuredFont)
            pango_font_description_free(mMeasuredFont);
        mMeasuredFont = nullptr;
        if (mMeasuredOptions)
            cairo_font_options_destroy(mMeasuredOptions);
        mMeasuredOptions = nullptr;
        mMeasuredResolution = 0;
    }

    void ApplyRect()
    {
        ++mToolkitCalls;
        gtk_fixed_move(NativeWindowControlLayer(*mWindow), mWidget, mRect.mLeft, mRect.mTop);
        gtk_widget_set_size_request(mWidget, std::max(mRect.Width(), 0),
                                    std::max(mRect.Height(), 0));
        ApplyLineLimit();
        if (mKind == kImage)
            ApplyImage();
    }

    void ApplyImage()
    {
        GtkImage* image = GTK_IMAGE(mWidget);
        const int width = std::max(mRect.Width(), 0);
        const int height = std::max(mRect.Height(), 0);
        if (mHasIcon)
        {
            gtk_image_set_from_icon_name(image, IconName(mIcon), GTK_ICON_SIZE_DIALOG);
            gtk_image_set_pixel_size(image, std::max(1, std::min(width, height)));
            return;
        }
        if (mPixels.empty() || width == 0 || height == 0)
        {
            gtk_image_clear(image);
            return;
        }
        // Exactly the control's size, transparent where the picture does not reach,
        // so the picture sits at the top-left corner and is clipped at the others.
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        {
            // Larger than an image can be: nothing to show rather than a crash.
            cairo_surface_destroy(surface);
            gtk_image_clear(image);
            return;
        }
        cairo_surface_flush(surface);
        unsigned char* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        const int rows = std::min(height, mPixelsHeight);
        const int columns = std::min(width, mPixelsWidth);
        for (int y = 0; y < rows; ++y)
        {
            auto* out = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
            const uint8_t* in = mPixels.data() + static_cast<size_t>(y) * mPixelsWidth * 4;
            for (int x = 0; x < columns; ++x, in += 4)
            {
                const uint32_t alpha = in[3];
                const auto premultiply = [alpha](uint32_t c) { return (c * alpha + 127) / 255; };
                out[x] = (alpha << 24) | (premultiply(in[0]) << 16) | (premultiply(in[1]) << 8) |
                         premultiply(in[2]);
            }
        }
        cairo_surface_mark_dirty(surface);
        gtk_image_set_from_surface(image, surface);
        cairo_surface_destroy(surface);
    }

    void ApplyRange()
    {
        ++mToolkitCalls;
        if (mKind == kProgressBar)
        {
            const double span = static_cast<double>(mMaximum) - mMinimum;
            const double fraction =
                span > 0 ? std::clamp((static_cast<double>(mValue) - mMinimum) / span, 0.0, 1.0)
                         : 0.0;
            if (!mIndeterminate)
                gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(mWidget), fraction);
            return;
        }
        if (IsScrollBar(mKind))
        {
            // The value runs from the minimum to the maximum: the adjustment's upper
            // end is one page further.
            GtkAdjustment* adjustment = gtk_range_get_adjustment(GTK_RANGE(mWidget));
            const double page = std::max(mPageSize, 0);
            gtk_adjustment_configure(adjustment, std::clamp(mValue, mMinimum, mMaximum), mMinimum,
                                     static_cast<double>(mMaximum) + page, 1, std::max(page, 1.0),
                                     page);
        }
    }

    // Where the release happened when there was one; else where the pointer is.
    void RecordCompletion(int16_t part, const GdkEventButton* release)
    {
        SEventRecord event;
        event.mWhat = kControlEvent;
        CDisplay::Stamp(event);
        if (release)
        {
            event.mWhereH = static_cast<int16_t>(
                std::clamp(static_cast<int>(release->x_root), SHRT_MIN, SHRT_MAX));
            event.mWhereV = static_cast<int16_t>(
                std::clamp(static_cast<int>(release->y_root), SHRT_MIN, SHRT_MAX));
        }
        event.mWindow = mWindow;
        event.mControl = mOwner;
        event.mPart = part;
        CDisplay::Record(std::move(event));
    }

    int16_t ScrollBarReleasePart(bool inside) const
    {
        if (mTrackedPart == kThumbPart)
            return kThumbPart; // the value follows the thumb wherever it is let go
        return inside ? mTrackedPart : kNoPart;
    }

    // Scroll bars: where along the bar a press landed, in the widget's coordinates.
    void NotePress(double xRoot, double yRoot)
    {
        int x = 0;
        int y = 0;
        ParentPoint(xRoot, yRoot, x, y);
        GtkAllocation a;
        gtk_widget_get_allocation(mWidget, &a);
        const int along = mKind == kVerticalScrollBar ? y - a.y : x - a.x;
        gint start = 0;
        gint end = 0;
        gtk_range_get_slider_range(GTK_RANGE(mWidget), &start, &end);
        mPressBeforeSlider = along < start;
        mTrackedPart = along >= start && along < end ? kThumbPart : kNoPart;
        mPressTime = g_get_monotonic_time();
        mLastRepeat = 0;
    }

    // Presses and releases of the first button: the toolkit tracks the control
    // itself; its handlers run after this one.
    static gboolean OnEvent(GtkWidget*, GdkEvent* event, gpointer data)
    {
        auto* self = static_cast<SImpl*>(data);
        if (event->type == GDK_BUTTON_PRESS && event->button.button == GDK_BUTTON_PRIMARY)
        {
            self->mTracking = true;
            self->mTrackedPart = kNoPart;
            if (IsScrollBar(self->mKind))
                self->NotePress(event->button.x_root, event->button.y_root);
        }
        else if (event->type == GDK_GRAB_BROKEN && self->mTracking)
        {
            // Another program took the pointer: the click ends where nothing is.
            self->mTracking = false;
            self->RecordCompletion(kNoPart, nullptr);
        }
        else if (event->type == GDK_BUTTON_RELEASE && event->button.button == GDK_BUTTON_PRIMARY &&
                 self->mTracking)
        {
            self->mTracking = false;
            const bool inside = self->ContainsRoot(event->button.x_root, event->button.y_root);
            const int16_t part = IsScrollBar(self->mKind) ? self->ScrollBarReleasePart(inside)
                                 : inside                 ? kButtonPart
                                                          : kNoPart;
            self->RecordCompletion(part, &event->button);
        }
        return FALSE;
    }

    static int16_t PartOfScroll(GtkScrollType scroll)
    {
        switch (scroll)
        {
        case GTK_SCROLL_STEP_BACKWARD:
        case GTK_SCROLL_STEP_UP:
        case GTK_SCROLL_STEP_LEFT:
            return kUpArrowPart;
        case GTK_SCROLL_STEP_FORWARD:
        case GTK_SCROLL_STEP_DOWN:
        case GTK_SCROLL_STEP_RIGHT:
            return kDownArrowPart;
        case GTK_SCROLL_PAGE_BACKWARD:
        case GTK_SCROLL_PAGE_UP:
        case GTK_SCROLL_PAGE_LEFT:
            return kPageUpPart;
        case GTK_SCROLL_PAGE_FORWARD:
        case GTK_SCROLL_PAGE_DOWN:
        case GTK_SCROLL_PAGE_RIGHT:
            return kPageDownPart;
        default:
            return kThumbPart;
        }
    }

    // Held arrows repeat like a key: one step at once, then after a pause a step
    // every 50 ms (the toolkit asks on every frame, in tiny smooth steps).
    bool ArrowStepDue()
    {
        const gint64 now = g_get_monotonic_time();
        if (mLastRepeat == 0 || (now - mPressTime >= 400000 && now - mLastRepeat >= 50000))
        {
            mLastRepeat = now;
            return true;
        }
        return false;
    }

    // Live tracking of a scroll bar: the owner hears every step while the mouse is down.
    static gboolean OnChangeValue(GtkRange* range, GtkScrollType scroll, gdouble value,
                                  gpointer data)
    {
        auto* self = static_cast<SImpl*>(data);
        int16_t part = PartOfScroll(scroll);
        if (self->mTracking)
        {
            // The toolkit scrolls a held arrow as a run of small jumps; a jump that
            // did not start on the thumb comes from an arrow.
            if (self->mTrackedPart == kNoPart)
                self->mTrackedPart = part != kThumbPart         ? part
                                     : self->mPressBeforeSlider ? kUpArrowPart
                                                                : kDownArrowPart;
            part = self->mTrackedPart;
        }
        gboolean handled = TRUE;
        switch (part)
        {
        case kThumbPart:
            gtk_range_set_value(range, std::round(value));
            break;
        case kUpArrowPart:
        case kDownArrowPart:
            if (!self->ArrowStepDue())
                return TRUE;
            if (!self->mAction)
            {
                const double step = part == kUpArrowPart ? -1 : 1;
                gtk_range_set_value(range, gtk_range_get_value(range) + step);
            }
            break;
        default:
            handled = self->mAction ? TRUE : FALSE;
            break;
        }
        // A copy: the callback may replace itself.
        if (TActionCallback action = self->mAction)
            action(part);
        if (const auto& hook = TrackingIdleHook())
            hook();
        return handled;
    }

    // A push button pressed without the mouse (the keyboard, an assistive tool):
    // a mouse click was already recorded at its release.
    static void OnClicked(GtkButton*, gpointer data)
    {
        GdkEvent* current = gtk_get_current_event();
        const bool byMouse = current && current->type == GDK_BUTTON_RELEASE;
        if (current)
            gdk_event_free(current);
        if (!byMouse)
            static_cast<SImpl*>(data)->RecordCompletion(kButtonPart, nullptr);
    }

    // The font (ours or the theme's) decides how many lines fit.
    static void OnStyleUpdated(GtkWidget*, gpointer data)
    {
        static_cast<SImpl*>(data)->LimitLines();
    }

    void Connect(const char* signal, GCallback callback)
    {
        mHandlers.push_back(g_signal_connect(mWidget, signal, callback, this));
    }
};

CNativeControl::CNativeControl(CNativeWindow& window, EKind kind, const SDisplayRect& rect,
                               const std::string& text)
    : fImpl(std::make_unique<SImpl>())
{
    SImpl& impl = *fImpl;
    impl.mOwner = this;
    impl.mWindow = &window;
    impl.mKind = kind;
    impl.mRect = rect;
    impl.mText = ValidUTF8(text);
    switch (kind)
    {
    case kPushButton:
    {
        impl.mWidget = gtk_button_new_with_label(impl.mText.c_str());
        impl.mMaximum = 1;
        // Focus moves only when the framework says so.
        gtk_widget_set_focus_on_click(impl.mWidget, FALSE);
        // A long title ends in an ellipsis instead of widening the button.
        if (GtkLabel* label = impl.TextLabel())
            gtk_label_set_ellipsize(label, PANGO_ELLIPSIZE_END);
        break;
    }
    case kProgressBar:
        impl.mWidget = gtk_progress_bar_new();
        impl.mMaximum = 1000;
        break;
    case kStaticText:
    {
        impl.mWidget = gtk_label_new(impl.mText.c_str());
        GtkLabel* label = GTK_LABEL(impl.mWidget);
        gtk_label_set_xalign(label, 0);
        gtk_label_set_yalign(label, 0);
        gtk_label_set_line_wrap(label, TRUE);
        gtk_label_set_line_wrap_mode(label, PANGO_WRAP_WORD_CHAR);
        gtk_label_set_ellipsize(label, PANGO_ELLIPSIZE_END);
        break;
    }
    case kHorizontalScrollBar:
    case kVerticalScrollBar:
        impl.mWidget = gtk_scrollbar_new(kind == kVerticalScrollBar ? GTK_ORIENTATION_VERTICAL
                                                                    : GTK_ORIENTATION_HORIZONTAL,
                                         nullptr);
        impl.mMaximum = 999;
        gtk_widget_set_can_focus(impl.mWidget, TRUE);
        gtk_widget_set_focus_on_click(impl.mWidget, FALSE);
        break;
    case kImage:
        impl.mWidget = gtk_image_new();
        break;
    }
    if (!impl.mWidget)
        throw std::runtime_error("the toolkit could not create a control");
    g_object_ref_sink(impl.mWidget);
    InstallControlStyle(impl.mWidget);
    gtk_style_context_add_class(gtk_widget_get_style_context(impl.mWidget), kControlClass);
    gtk_widget_set_halign(impl.mWidget, GTK_ALIGN_FILL);
    gtk_widget_set_valign(impl.mWidget, GTK_ALIGN_FILL);
    gtk_fixed_put(NativeWindowControlLayer(window), impl.mWidget, rect.mLeft, rect.mTop);
    impl.ApplyRect();
    impl.ApplyRange();
    if (kind == kPushButton || IsScrollBar(kind))
        impl.Connect("event", G_CALLBACK(SImpl::OnEvent));
    if (kind == kPushButton)
        impl.Connect("clicked", G_CALLBACK(SImpl::OnClicked));
    if (IsScrollBar(kind))
        impl.Connect("change-value", G_CALLBACK(SImpl::OnChangeValue));
    if (kind == kStaticText)
        impl.Connect("style-updated", G_CALLBACK(SImpl::OnStyleUpdated));
    gtk_widget_show(impl.mWidget);
}

CNativeControl::~CNativeControl()
{
    SImpl& impl = *fImpl;
    for (gulong id : impl.mHandlers)
    {
        // Gone already when the window took the widget down before us.
        if (g_signal_handler_is_connected(impl.mWidget, id))
            g_signal_handler_disconnect(impl.mWidget, id);
    }
    // The window may already have taken the widget down with it; the reference we
    // hold keeps the pointer valid either way.
    gtk_widget_destroy(impl.mWidget);
    g_object_unref(impl.mWidget);
    if (impl.mFontProvider)
        g_object_unref(impl.mFontProvider);
    impl.ForgetMeasuredFont();
    CDisplay::ForgetControl(this);
}

CNativeControl::EKind CNativeControl::GetKind() const
{
    return fImpl->mKind;
}

CNativeWindow& CNativeControl::GetWindow() const
{
    return *fImpl->mWindow;
}

void CNativeControl::SetRect(const SDisplayRect& rect)
{
    if (rect == fImpl->mRect)
        return;
    fImpl->mRect = rect;
    fImpl->ApplyRect();
}

SDisplayRect CNativeControl::GetRect() const
{
    return fImpl->mRect;
}

SDisplayRect CNativeControl::GetAllocation() const
{
    GtkWidget* widget = fImpl->mWidget;
    GtkWidget* client = NativeWindowClient(*fImpl->mWindow);
    if (!gtk_widget_get_realized(widget) || !gtk_widget_get_realized(client))
        return {};
    gint x = 0;
    gint y = 0;
    if (!gtk_widget_translate_coordinates(widget, client, 0, 0, &x, &y))
        return {};
    return {x, y, x + gtk_widget_get_allocated_width(widget),
            y + gtk_widget_get_allocated_height(widget)};
}

void CNativeControl::Show()
{
    ++fImpl->mToolkitCalls;
    gtk_widget_show(fImpl->mWidget);
}

void CNativeControl::Hide()
{
    ++fImpl->mToolkitCalls;
    fImpl->mTracking = false;
    gtk_widget_hide(fImpl->mWidget);
}

bool CNativeControl::IsShown() const
{
    return gtk_widget_get_visible(fImpl->mWidget);
}

bool CNativeControl::SetTitle(const std::string& text)
{
    SImpl& impl = *fImpl;
    const std::string valid = ValidUTF8(text);
    if (valid == impl.mText)
        return false;
    impl.mText = valid;
    ++impl.mToolkitCalls;
    if (impl.mKind == kPushButton)
    {
        gtk_button_set_label(GTK_BUTTON(impl.mWidget), valid.c_str());
        if (GtkLabel* label = impl.TextLabel())
            gtk_label_set_ellipsize(label, PANGO_ELLIPSIZE_END);
    }
    else if (impl.mKind == kStaticText)
        gtk_label_set_text(GTK_LABEL(impl.mWidget), valid.c_str());
    return true;
}

std::string CNativeControl::GetTitle() const
{
    return fImpl->mText;
}

void CNativeControl::SetValue(int value)
{
    SImpl& impl = *fImpl;
    if (value == GetValue())
        return;
    impl.mValue = value;
    impl.ApplyRange();
    if (impl.mKind == kProgressBar)
        CMeasureTrace::Write("progress", "%d %d %d", value, impl.mMinimum, impl.mMaximum);
}

int CNativeControl::GetValue() const
{
    const SImpl& impl = *fImpl;
    if (IsScrollBar(impl.mKind))
        return static_cast<int>(std::lround(gtk_range_get_value(GTK_RANGE(impl.mWidget))));
    return impl.mValue;
}

void CNativeControl::SetMinMax(int minimum, int maximum)
{
    SImpl& impl = *fImpl;
    maximum = std::max(minimum, maximum);
    if (minimum == impl.mMinimum && maximum == impl.mMaximum)
        return;
    impl.mValue = GetValue();
    impl.mMinimum = minimum;
    impl.mMaximum = maximum;
    impl.ApplyRange();
}

int CNativeControl::GetMinimum() const
{
    return fImpl->mMinimum;
}

int CNativeControl::GetMaximum() const
{
    return fImpl->mMaximum;
}

void CNativeControl::SetPageSize(int pageSize)
{
    SImpl& impl = *fImpl;
    pageSize = std::max(pageSize, 0);
    if (pageSize == impl.mPageSize)
        return;
    impl.mValue = GetValue();
    impl.mPageSize = pageSize;
    impl.ApplyRange();
}

void CNativeControl::SetIndeterminate(bool indeterminate)
{
    SImpl& impl = *fImpl;
    if (impl.mKind != kProgressBar || indeterminate == impl.mIndeterminate)
        return;
    impl.mIndeterminate = indeterminate;
    if (indeterminate)
        Pulse();
    else
        impl.ApplyRange();
}

bool CNativeControl::IsIndeterminate() const
{
    return fImpl->mIndeterminate;
}

bool CNativeControl::Pulse()
{
    SImpl& impl = *fImpl;
    // A bar that is not on screen has nothing to animate (and pulsing one that the
    // toolkit has taken down is unsafe).
    if (impl.mKind != kProgressBar || !impl.mIndeterminate || !gtk_widget_get_mapped(impl.mWidget))
        return false;
    ++impl.mToolkitCalls;
    gtk_progress_bar_pulse(GTK_PROGRESS_BAR(impl.mWidget));
    return true;
}

double CNativeControl::GetShownFraction() const
{
    if (fImpl->mKind != kProgressBar)
        return 0;
    return gtk_progress_bar_get_fraction(GTK_PROGRESS_BAR(fImpl->mWidget));
}

void CNativeControl::SetEnabled(bool enabled)
{
    SImpl& impl = *fImpl;
    if (enabled == impl.mEnabled)
        return;
    impl.mEnabled = enabled;
    if (!enabled)
        impl.mTracking = false;
    ++impl.mToolkitCalls;
    gtk_widget_set_sensitive(impl.mWidget, enabled);
    CMeasureTrace::Write("enabled", "%d %s", enabled ? 1 : 0, impl.mText.c_str());
}

bool CNativeControl::IsEnabled() const
{
    return fImpl->mEnabled;
}

void CNativeControl::SetDefault(bool isDefault)
{
    SImpl& impl = *fImpl;
    if (impl.mKind != kPushButton || isDefault == impl.mDefault)
        return;
    impl.mDefault = isDefault;
    ++impl.mToolkitCalls;
    GtkStyleContext* style = gtk_widget_get_style_context(impl.mWidget);
    GtkWindow* toplevel = GTK_WINDOW(NativeWindowToplevel(*impl.mWindow));
    if (isDefault)
    {
        gtk_widget_set_can_default(impl.mWidget, TRUE);
        gtk_widget_grab_default(impl.mWidget);
        // Some themes draw the default button like any other; the suggested look
        // is the one every theme sets apart.
        gtk_style_context_add_class(style, GTK_STYLE_CLASS_SUGGESTED_ACTION);
    }
    else
    {
        if (gtk_window_get_default_widget(toplevel) == impl.mWidget)
            gtk_window_set_default(toplevel, nullptr);
        gtk_widget_set_can_default(impl.mWidget, FALSE);
        gtk_style_context_remove_class(style, GTK_STYLE_CLASS_SUGGESTED_ACTION);
    }
}

bool CNativeControl::IsDefault() const
{
    return fImpl->mDefault;
}

void CNativeControl::SetFont(const std::string& family, int sizePx, bool bold, bool italic)
{
    SImpl& impl = *fImpl;
    sizePx = std::max(sizePx, 0);
    if (family == impl.mFontFamily && sizePx == impl.mFontSize && bold == impl.mFontBold &&
        italic == impl.mFontItalic)
        return;
    impl.mFontFamily = family;
    impl.mFontSize = sizePx;
    impl.mFontBold = bold;
    impl.mFontItalic = italic;
    impl.ApplyStyle();
}

void CNativeControl::SetTextColor(int32_t rgb)
{
    SImpl& impl = *fImpl;
    rgb = rgb < 0 ? -1 : (rgb & 0xFFFFFF);
    if (rgb == impl.mTextColor)
        return;
    impl.mTextColor = rgb;
    impl.ApplyStyle();
}

void CNativeControl::SetIcon(EIcon icon)
{
    SImpl& impl = *fImpl;
    if (impl.mKind != kImage)
        return;
    impl.mHasIcon = true;
    impl.mIcon = icon;
    impl.mPixels.clear();
    ++impl.mToolkitCalls;
    impl.ApplyImage();
}

void CNativeControl::SetPixels(int width, int height, const std::vector<uint8_t>& rgba)
{
    SImpl& impl = *fImpl;
    if (impl.mKind != kImage)
        return;
    const bool fits = width > 0 && height > 0 &&
                      rgba.size() / 4 / static_cast<size_t>(width) >= static_cast<size_t>(height);
    impl.mHasIcon = false;
    impl.mPixelsWidth = fits ? width : 0;
    impl.mPixelsHeight = fits ? height : 0;
    impl.mPixels = fits ? rgba : std::vector<uint8_t>();
    ++impl.mToolkitCalls;
    impl.ApplyImage();
}

void CNativeControl::GrabFocus()
{
    GtkWidget* widget = fImpl->mWidget;
    gtk_widget_set_can_focus(widget, TRUE);
    gtk_widget_grab_focus(widget);
}

void CNativeControl::ReleaseFocus()
{
    if (gtk_widget_is_focus(fImpl->mWidget))
        gtk_window_set_focus(GTK_WINDOW(NativeWindowToplevel(*fImpl->mWindow)), nullptr);
}

bool CNativeControl::HasFocus() const
{
    return gtk_widget_is_focus(fImpl->mWidget);
}

void CNativeControl::SetActionCallback(TActionCallback callback)
{
    fImpl->mAction = std::move(callback);
}

void CNativeControl::SetTrackingIdleHook(std::function<void()> hook)
{
    TrackingIdleHook() = std::move(hook);
}

bool CNativeControl::IsTracking() const
{
    return fImpl->mTracking;
}

uint64_t CNativeControl::GetToolkitCallCount() const
{
    return fImpl->mToolkitCalls;
}

} // namespace NSPlatform
