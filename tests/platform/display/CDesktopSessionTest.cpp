// The end of the desktop session and the loss of the X server, each as a quit event:
// a session manager of the test's own on a private session bus, and a private X
// server killed under a child process.
#include "platform/display/CDesktopSession.h"
#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"

#include "DisplayTestSupport.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace NSPlatform;
using NSTestSupport::PumpUntil;

namespace
{

constexpr const char* kClientPath = "/org/gnome/SessionManager/Client7";

const char* kManagerXml = R"(<node>
  <interface name="org.gnome.SessionManager">
    <method name="RegisterClient">
      <arg type="s" direction="in"/><arg type="s" direction="in"/><arg type="o" direction="out"/>
    </method>
  </interface>
  <interface name="org.gnome.SessionManager.ClientPrivate">
    <method name="EndSessionResponse">
      <arg type="b" direction="in"/><arg type="s" direction="in"/>
    </method>
  </interface>
</node>)";

// The session manager's side: who registered, and the answers it got.
struct SFakeManager
{
    std::string mRegisteredID;
    std::vector<bool> mResponses;
};

void OnManagerCall(GDBusConnection*, const char*, const char*, const char*, const char* method,
                   GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data)
{
    auto* manager = static_cast<SFakeManager*>(data);
    if (std::string(method) == "RegisterClient")
    {
        const char* id = nullptr;
        g_variant_get(parameters, "(&ss)", &id, nullptr);
        manager->mRegisteredID = id;
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", kClientPath));
        return;
    }
    gboolean ok = FALSE;
    g_variant_get(parameters, "(bs)", &ok, nullptr);
    manager->mResponses.push_back(ok);
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

bool QuitQueued()
{
    SEventRecord event;
    while (CDisplay::GetNextEvent(kHighLevelEventMask, event))
    {
        if (event.mHighLevelID == kAEQuitApplication)
            return true;
    }
    return false;
}

TEST(DesktopSession, EndOfTheSessionIsAQuitEvent)
{
    ASSERT_TRUE(CDisplay::Open());
    GTestDBus* bus = g_test_dbus_new(G_TEST_DBUS_NONE);
    g_test_dbus_up(bus); // sets DBUS_SESSION_BUS_ADDRESS for this process (and unsets DISPLAY)
    GDBusConnection* connection = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    ASSERT_NE(connection, nullptr);
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kManagerXml, nullptr);
    SFakeManager manager;
    const GDBusInterfaceVTable vtable{OnManagerCall, nullptr, nullptr, {}};
    const guint managerObject = g_dbus_connection_register_object(
        connection, "/org/gnome/SessionManager", node->interfaces[0], &vtable, &manager, nullptr,
        nullptr);
    const guint clientObject = g_dbus_connection_register_object(
        connection, kClientPath, node->interfaces[1], &vtable, &manager, nullptr, nullptr);
    const guint owner = g_bus_own_name_on_connection(connection, "org.gnome.SessionManager",
                                                     G_BUS_NAME_OWNER_FLAGS_NONE, nullptr,
                                                     nullptr, nullptr, nullptr);

    CDisplay::FlushEvents(kEveryEventMask);
    CDesktopSession::Register("Session Test");
    ASSERT_TRUE(PumpUntil([] { return CDesktopSession::IsRegistered(); }));
    EXPECT_EQ(manager.mRegisteredID, "Session Test");

    auto emit = [&](const char* signal)
    {
        g_dbus_connection_emit_signal(connection, nullptr, kClientPath,
                                      "org.gnome.SessionManager.ClientPrivate", signal,
                                      g_variant_new("(u)", 0u), nullptr);
    };
    // Asked whether the session may end: yes, and nothing quits yet.
    emit("QueryEndSession");
    ASSERT_TRUE(PumpUntil([&] { return manager.mResponses.size() == 1; }));
    EXPECT_TRUE(manager.mResponses[0]);
    EXPECT_FALSE(QuitQueued());
    // The session ends: a quit event, and the answer the manager waits for.
    emit("EndSession");
    ASSERT_TRUE(PumpUntil([&] { return manager.mResponses.size() == 2; }));
    EXPECT_TRUE(manager.mResponses[1]);
    EXPECT_TRUE(PumpUntil([] { return CDisplay::HasEvent(kHighLevelEventMask); }));
    EXPECT_TRUE(QuitQueued());

    g_bus_unown_name(owner);
    g_dbus_connection_unregister_object(connection, clientObject);
    g_dbus_connection_unregister_object(connection, managerObject);
    g_dbus_node_info_unref(node);
    g_object_unref(connection);
    CDesktopSession::Unregister();
    EXPECT_FALSE(CDesktopSession::IsRegistered());
    g_test_dbus_down(bus);
    g_object_unref(bus);
}

// In a child, so that the fixture's display stays untouched and the process can
// be watched from outside: exit status 0 is a quit event and an orderly end; GDK's
// own handler would end it with status 1 at the moment the server went away.
TEST(DisplayConnection, LostServerIsAQuitEventNotAnExit)
{
    NSTestSupport::CPrivateXServer server("640x480x24");
    ASSERT_FALSE(server.GetDisplay().empty());
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        ::close(ready[0]);
        ::setenv("DISPLAY", server.GetDisplay().c_str(), 1);
        if (!CDisplay::Open())
            ::_exit(3);
        auto window = std::make_unique<CNativeWindow>(CNativeWindow::kDocument, "lost",
                                                      SDisplayRect{10, 10, 110, 110});
        window->Show();
        if (!PumpUntil([&] { return window->GetPaintCount() > 0; }))
            ::_exit(4);
        [[maybe_unused]] const ssize_t written = ::write(ready[1], "r", 1);
        // Keep drawing and waiting as an application would until the quit arrives.
        const bool quit = PumpUntil(
            [&]
            {
                window->InvalidateAll();
                return QuitQueued();
            },
            10000);
        if (!quit || !CDisplay::IsConnectionLost())
            ::_exit(5);
        // The dead connection does not keep waking the wait (a spinning loop turns
        // thousands of times in this while).
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        int turns = 0;
        while (std::chrono::steady_clock::now() < end)
        {
            CMainEventQueue::Main().WaitAndDispatch(50);
            ++turns;
        }
        if (turns > 100)
            ::_exit(6);
        window.reset();
        ::_exit(0);
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    server.Stop();
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
