#include "platform/display/CDesktopSession.h"

#include "platform/display/CDisplay.h"

#include <gio/gio.h>

#include <cstdlib>
#include <sys/stat.h>

namespace NSPlatform
{

namespace
{

constexpr const char* kManagerName = "org.gnome.SessionManager";
constexpr const char* kManagerPath = "/org/gnome/SessionManager";
constexpr const char* kClientInterface = "org.gnome.SessionManager.ClientPrivate";

struct SSessionState
{
    bool mStarted = false;
    GDBusConnection* mBus = nullptr;
    std::string mApplicationID;
    std::string mStartupID;
    std::string mClientPath;
    guint mSubscription = 0;
};

SSessionState& State()
{
    static SSessionState gState;
    return gState;
}

// Without an address GIO would try to start a bus of its own through the X server.
bool HasSessionBus()
{
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info{};
    return runtime && *runtime && ::stat((std::string(runtime) + "/bus").c_str(), &info) == 0 &&
           S_ISSOCK(info.st_mode);
}

void Respond(const char* path)
{
    // The application agrees; windows with unsaved work still get their say when
    // the quit event asks them to close.
    g_dbus_connection_call(State().mBus, kManagerName, path, kClientInterface,
                           "EndSessionResponse", g_variant_new("(bs)", TRUE, ""), nullptr,
                           G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr, nullptr, nullptr);
}

void OnClientSignal(GDBusConnection*, const char*, const char* path, const char*,
                    const char* signal, GVariant*, gpointer)
{
    const std::string name = signal;
    if (name == "QueryEndSession")
    {
        Respond(path);
    }
    else if (name == "EndSession")
    {
        CDisplay::RecordQuit();
        Respond(path);
    }
    else if (name == "Stop")
    {
        CDisplay::RecordQuit();
    }
}

void OnRegistered(GObject* source, GAsyncResult* result, gpointer)
{
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_finish(G_DBUS_CONNECTION(source), result, &error);
    if (!reply)
    {
        // No session manager (or one that refuses): the signals remain the way out.
        g_error_free(error);
        return;
    }
    const char* path = nullptr;
    g_variant_get(reply, "(&o)", &path);
    SSessionState& state = State();
    state.mClientPath = path;
    g_variant_unref(reply);
    // Any sender on the path the manager gave us: matching its well-known name would
    // need an owner look-up first, and signals sent before it came back were lost.
    state.mSubscription = g_dbus_connection_signal_subscribe(state.mBus, nullptr, kClientInterface, nullptr,
                                       state.mClientPath.c_str(), nullptr,
                                       G_DBUS_SIGNAL_FLAGS_NONE, OnClientSignal, nullptr,
                                       nullptr);
}

void OnBus(GObject*, GAsyncResult* result, gpointer)
{
    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_finish(result, &error);
    if (!bus)
    {
        g_error_free(error);
        return;
    }
    SSessionState& state = State();
    state.mBus = bus;
    g_dbus_connection_call(bus, kManagerName, kManagerPath, kManagerName, "RegisterClient",
                           g_variant_new("(ss)", state.mApplicationID.c_str(),
                                         state.mStartupID.c_str()),
                           G_VARIANT_TYPE("(o)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, -1, nullptr,
                           OnRegistered, nullptr);
}

} // namespace

void CDesktopSession::Register(const std::string& applicationID)
{
    SSessionState& state = State();
    if (state.mStarted || !HasSessionBus())
        return;
    state.mStarted = true;
    state.mApplicationID = applicationID;
    // The session manager hands its id to the programs it starts; children must not
    // register under it again.
    if (const char* startup = std::getenv("DESKTOP_AUTOSTART_ID"))
    {
        state.mStartupID = startup;
        ::unsetenv("DESKTOP_AUTOSTART_ID");
    }
    g_bus_get(G_BUS_TYPE_SESSION, nullptr, OnBus, nullptr);
}

bool CDesktopSession::IsRegistered()
{
    return !State().mClientPath.empty();
}

void CDesktopSession::Unregister()
{
    SSessionState& state = State();
    if (state.mBus)
    {
        if (state.mSubscription != 0)
            g_dbus_connection_signal_unsubscribe(state.mBus, state.mSubscription);
        g_object_unref(state.mBus);
    }
    state = SSessionState{};
}

} // namespace NSPlatform
