#include "platform/display/CDisplay.h"

#include "platform/CMainEventQueue.h"
#include "platform/CPlatformClock.h"
#include "platform/display/DisplayGdk.h"

#include <gdk/gdkx.h>
#include <glib-unix.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <vector>

namespace NSPlatform
{

namespace
{

// The X connection after the server went away (-1 while it is alive).
int gLostConnectionFd = -1;

// The toolkit's main context as a source of the main event queue's one wait: the
// waiting half of a main-context iteration (acquire, prepare, query) before the
// poll, check and dispatch after it. Dispatching only runs the toolkit's own
// handlers, which record events; the framework takes them from the queue later.
class CGlibJoinedSource : public CMainEventQueue::CJoinedSource
{
public:
    bool Prepare(std::vector<pollfd>& fds, int& timeoutMs) override
    {
        fContext = g_main_context_default();
        fAcquired = g_main_context_acquire(fContext);
        fCount = 0;
        if (!fAcquired)
            return false;
        const bool ready = g_main_context_prepare(fContext, &fPriority);
        gint glibTimeout = -1;
        for (;;)
        {
            fCount = g_main_context_query(fContext, fPriority, &glibTimeout, fGlibFds.data(),
                                          static_cast<gint>(fGlibFds.size()));
            if (static_cast<size_t>(fCount) <= fGlibFds.size())
                break;
            fGlibFds.resize(fCount);
        }
        for (gint i = 0; i < fCount; ++i)
        {
            // A dead X connection reports a hang-up to every poll: the loop would spin
            // until the application has quit. A negative descriptor is not polled.
            const int fd = fGlibFds[i].fd == gLostConnectionFd ? -1 : fGlibFds[i].fd;
            fds.push_back({fd, static_cast<short>(fGlibFds[i].events), 0});
        }
        if (glibTimeout >= 0 && (timeoutMs < 0 || glibTimeout < timeoutMs))
            timeoutMs = glibTimeout;
        return ready;
    }

    int Dispatch(pollfd* fds, size_t count) override
    {
        if (!fAcquired)
            return 0;
        const uint64_t before = CDisplay::RecordedCount();
        for (size_t i = 0; i < count && i < static_cast<size_t>(fCount); ++i)
            fGlibFds[i].revents = static_cast<gushort>(fds[i].revents);
        if (g_main_context_check(fContext, fPriority, fGlibFds.data(), fCount))
            g_main_context_dispatch(fContext);
        g_main_context_release(fContext);
        fAcquired = false;
        return static_cast<int>(CDisplay::RecordedCount() - before);
    }

private:
    GMainContext* fContext = nullptr;
    bool fAcquired = false;
    gint fPriority = 0;
    gint fCount = 0;
    std::vector<GPollFD> fGlibFds = std::vector<GPollFD>(16);
};

struct SDisplayState
{
    bool mTried = false;
    bool mOpen = false;
    std::deque<SEventRecord> mEvents;
    uint64_t mRecorded = 0;
    CGlibJoinedSource mJoined;
    bool mSignalsCaught = false;
    bool mConnectionLost = false;
};

SDisplayState& State()
{
    static SDisplayState gState;
    return gState;
}

bool KindInMask(uint16_t kind, uint16_t mask)
{
    return (MaskForKind(kind) & mask) != 0;
}

SEventRecord QuitRecord()
{
    SEventRecord quit;
    quit.mWhat = kHighLevelEvent;
    quit.mMessage = kCoreEventClass;
    quit.mHighLevelID = kAEQuitApplication;
    quit.mWhen = CDisplay::NowTicks();
    return quit;
}

gboolean OnQuitSignal(gpointer)
{
    CDisplay::RecordQuit();
    return G_SOURCE_CONTINUE;
}

// The X server went away (or closed the connection). The toolkit's own handler would
// end the process on the spot, in the middle of whatever the framework was doing;
// instead the application is asked to quit. Xlib turns every later call on the
// connection into a no-op, and the exit handler returning keeps the process alive.
int OnConnectionLost(Display* display)
{
    SDisplayState& state = State();
    if (!state.mConnectionLost)
    {
        state.mConnectionLost = true;
        gLostConnectionFd = ConnectionNumber(display);
        // Not stamped: that would ask the server for the pointer.
        CDisplay::Record(QuitRecord());
    }
    return 0;
}

void OnConnectionLostExit(Display* display, void*)
{
    OnConnectionLost(display);
}

} // namespace

bool CDisplay::Open()
{
    SDisplayState& state = State();
    if (state.mTried)
        return state.mOpen;
    state.mTried = true;
    // Windows are placed and reported in global coordinates, which only X11 offers
    // (XWayland on a Wayland desktop); Wayland alone still shows windows, placed by
    // the compositor.
    gdk_set_allowed_backends("x11,wayland");
    if (!gtk_init_check(nullptr, nullptr))
        return false;
    state.mOpen = true;
    if (GdkDisplay* display = gdk_display_get_default(); GDK_IS_X11_DISPLAY(display))
    {
        XSetIOErrorHandler(OnConnectionLost);
        XSetIOErrorExitHandler(GDK_DISPLAY_XDISPLAY(display), OnConnectionLostExit, nullptr);
    }
    CMainEventQueue::Main().SetJoinedSource(&state.mJoined);
    return true;
}

bool CDisplay::IsConnectionLost()
{
    return State().mConnectionLost;
}

void CDisplay::RecordQuit()
{
    SEventRecord quit = QuitRecord();
    Stamp(quit);
    Record(std::move(quit));
}

bool CDisplay::IsOpen()
{
    return State().mOpen;
}

bool CDisplay::IsX11()
{
    return IsOpen() && GDK_IS_X11_DISPLAY(gdk_display_get_default());
}

void CDisplay::Record(SEventRecord event)
{
    State().mEvents.push_back(std::move(event));
    ++State().mRecorded;
}

uint64_t CDisplay::RecordedCount()
{
    return State().mRecorded;
}

void CDisplay::PostEvent(SEventRecord event)
{
    Record(std::move(event));
    // A poster on the main thread outside the wait must still end the next wait at once.
    CMainEventQueue::Main().WakeFromSignal();
}

bool CDisplay::GetNextEvent(uint16_t mask, SEventRecord& event)
{
    auto& events = State().mEvents;
    auto it = std::find_if(events.begin(), events.end(),
                           [mask](const SEventRecord& e) { return KindInMask(e.mWhat, mask); });
    if (it == events.end())
        return false;
    event = std::move(*it);
    events.erase(it);
    return true;
}

bool CDisplay::HasEvent(uint16_t mask)
{
    const auto& events = State().mEvents;
    return std::any_of(events.begin(), events.end(),
                       [mask](const SEventRecord& e) { return KindInMask(e.mWhat, mask); });
}

void CDisplay::FlushEvents(uint16_t mask)
{
    std::erase_if(State().mEvents,
                  [mask](const SEventRecord& e) { return KindInMask(e.mWhat, mask); });
}

void CDisplay::ForgetWindow(const CNativeWindow* window)
{
    std::erase_if(State().mEvents, [window](const SEventRecord& e) { return e.mWindow == window; });
}

void CDisplay::ForgetControl(const CNativeControl* control)
{
    std::erase_if(State().mEvents,
                  [control](const SEventRecord& e) { return e.mControl == control; });
}

uint32_t CDisplay::NowTicks()
{
    return static_cast<uint32_t>(CPlatformClock::NowUS() * 60 / 1000000);
}

void CDisplay::Stamp(SEventRecord& event)
{
    event.mWhen = NowTicks();
    if (!IsOpen())
        return;
    GdkDevice* pointer = DisplayPointerDevice();
    if (!pointer)
    {
        GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
        event.mModifiers = ModifierWordFromState(gdk_keymap_get_modifier_state(keymap));
        return;
    }
    // The pointer's state carries the modifier keys as well as the buttons, so one
    // question to the server answers both; asking the keymap instead would load the
    // whole keyboard map (several round trips) for the first stamped event.
    gint x = 0;
    gint y = 0;
    GdkModifierType mask = static_cast<GdkModifierType>(0);
    gdk_window_get_device_position(gdk_get_default_root_window(), pointer, &x, &y, &mask);
    event.mWhereH = static_cast<int16_t>(std::clamp(x, SHRT_MIN, SHRT_MAX));
    event.mWhereV = static_cast<int16_t>(std::clamp(y, SHRT_MIN, SHRT_MAX));
    event.mModifiers = ModifierWordFromState(mask);
}

void CDisplay::CatchQuitSignals()
{
    SDisplayState& state = State();
    if (!state.mOpen || state.mSignalsCaught)
        return;
    state.mSignalsCaught = true;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        g_unix_signal_add(signal, OnQuitSignal, nullptr);
}

void CDisplay::Sync()
{
    if (IsOpen())
        gdk_display_sync(gdk_display_get_default());
}

void CDisplay::Beep()
{
    if (IsOpen())
        gdk_display_beep(gdk_display_get_default());
}

void CDisplay::ShowStopMessage(const std::string& text)
{
    if (!IsOpen())
        return;
    // Only before the framework's loop runs (start-up refusals): the toolkit's own
    // modal loop is the simplest way to wait for the answer.
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                               GTK_BUTTONS_OK, "%s", text.c_str());
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

bool CDisplay::OpenURI(const std::string& uri, std::string* error)
{
    if (!IsOpen())
    {
        if (error)
            *error = "no display";
        return false;
    }
    GError* failure = nullptr;
    const bool opened = gtk_show_uri_on_window(nullptr, uri.c_str(), GDK_CURRENT_TIME, &failure);
    if (failure)
    {
        if (error)
            *error = failure->message;
        g_error_free(failure);
    }
    return opened;
}

CDisplay::SUIFont CDisplay::GetUIFont()
{
    SUIFont font{"Sans", 13, false, false};
    if (!IsOpen())
        return font;
    GtkSettings* settings = gtk_settings_get_default();
    gchar* name = nullptr;
    gint xftDpi = -1;
    g_object_get(settings, "gtk-font-name", &name, "gtk-xft-dpi", &xftDpi, nullptr);
    if (!name)
        return font;
    PangoFontDescription* description = pango_font_description_from_string(name);
    g_free(name);
    if (const char* family = pango_font_description_get_family(description))
        font.mFamily = family;
    const int size = pango_font_description_get_size(description);
    if (size > 0)
    {
        // Points are 1/72 inch at the desktop's resolution (96 dpi unless it says otherwise).
        const double dpi = xftDpi > 0 ? xftDpi / 1024.0 : 96.0;
        const double px = pango_font_description_get_size_is_absolute(description)
                              ? static_cast<double>(size) / PANGO_SCALE
                              : static_cast<double>(size) / PANGO_SCALE * dpi / 72.0;
        font.mSizePx = std::max(1, static_cast<int>(px + 0.5));
    }
    font.mBold = pango_font_description_get_weight(description) >= PANGO_WEIGHT_BOLD;
    font.mItalic = pango_font_description_get_style(description) != PANGO_STYLE_NORMAL;
    pango_font_description_free(description);
    return font;
}

} // namespace NSPlatform
