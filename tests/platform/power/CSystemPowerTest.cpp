#include "platform/power/CSystemPower.h"
#include "platform/CMainEventQueue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace NSPlatform;

namespace
{

// A private message bus started by the test, optionally with a mock logind on it.
class CPrivateBus
{
public:
    bool Start()
    {
        FILE* out = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        if (!out)
            return false;
        char line[512];
        if (fgets(line, sizeof line, out))
            fAddress = Trim(line);
        if (fgets(line, sizeof line, out))
            fDaemon = static_cast<pid_t>(std::atoi(line));
        pclose(out);
        return !fAddress.empty() && fDaemon > 0;
    }

    bool StartLogind()
    {
        setenv("DBUS_SYSTEM_BUS_ADDRESS", fAddress.c_str(), 1);
        // The Debian package installs the mock for the system's interpreter, which
        // another python3 earlier on PATH may not see.
        const char* python = access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
        const char* argv[] = {python,       "-m",     "dbusmock", "--system",
                              "--template", "logind", nullptr};
        if (posix_spawnp(&fMock, python, nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            return false;
        // Ready once the name has an owner.
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline)
        {
            if (HasName("org.freedesktop.login1"))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    ~CPrivateBus()
    {
        if (fMock > 0)
        {
            kill(fMock, SIGTERM);
            waitpid(fMock, nullptr, 0);
        }
        if (fDaemon > 0)
            kill(fDaemon, SIGTERM);
    }

    sd_bus* Connect()
    {
        sd_bus* bus = nullptr;
        if (sd_bus_new(&bus) < 0)
            return nullptr;
        sd_bus_set_address(bus, fAddress.c_str());
        sd_bus_set_bus_client(bus, 1);
        if (sd_bus_start(bus) < 0)
        {
            sd_bus_unref(bus);
            return nullptr;
        }
        return bus;
    }

    bool HasName(const char* name)
    {
        sd_bus* bus = Connect();
        if (!bus)
            return false;
        sd_bus_message* reply = nullptr;
        int has = 0;
        if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", "NameHasOwner", nullptr, &reply, "s",
                               name) >= 0)
            sd_bus_message_read(reply, "b", &has);
        sd_bus_message_unref(reply);
        sd_bus_flush_close_unref(bus);
        return has != 0;
    }

    // "what:mode" of every inhibitor logind holds.
    std::vector<std::string> Inhibitors()
    {
        std::vector<std::string> result;
        sd_bus* bus = Connect();
        sd_bus_message* reply = nullptr;
        if (bus && sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                                      "org.freedesktop.login1.Manager", "ListInhibitors", nullptr,
                                      &reply, "") >= 0)
        {
            sd_bus_message_enter_container(reply, 'a', "(ssssuu)");
            const char *what, *who, *why, *mode;
            uint32_t uid, pid;
            while (sd_bus_message_read(reply, "(ssssuu)", &what, &who, &why, &mode, &uid, &pid) > 0)
                result.push_back(std::string(what) + ":" + mode);
        }
        sd_bus_message_unref(reply);
        sd_bus_flush_close_unref(bus);
        return result;
    }

    bool EmitPrepareForSleep(bool sleeping)
    {
        sd_bus* bus = Connect();
        int r = bus ? sd_bus_call_method(bus, "org.freedesktop.login1", "/org/freedesktop/login1",
                                         "org.freedesktop.DBus.Mock", "EmitSignal", nullptr,
                                         nullptr, "sssav", "org.freedesktop.login1.Manager",
                                         "PrepareForSleep", "b", 1, "b", sleeping ? 1 : 0)
                    : -1;
        sd_bus_flush_close_unref(bus);
        return r >= 0;
    }

    std::string fAddress;

private:
    static std::string Trim(const char* s)
    {
        std::string t(s);
        while (!t.empty() && (t.back() == '\n' || t.back() == '\r'))
            t.pop_back();
        return t;
    }

    pid_t fDaemon = -1;
    pid_t fMock = -1;
};

bool Contains(const std::vector<std::string>& list, const char* item)
{
    for (auto& s : list)
        if (s == item)
            return true;
    return false;
}

// The mock drops an inhibitor when it sees its descriptor close, a moment later.
bool Eventually(const std::function<bool()>& condition)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline)
    {
        if (condition())
            return true;
        CMainEventQueue::Main().WaitAndDispatch(20);
    }
    return condition();
}

} // namespace

TEST(SystemPowerTest, WithoutSystemBusOrLogindThereAreNoNotifications)
{
    setenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/kelt-power-test", 1);
    EXPECT_EQ(CSystemPower::Register([](uint32_t, intptr_t) {}), nullptr);

    CPrivateBus bus;
    ASSERT_TRUE(bus.Start());
    setenv("DBUS_SYSTEM_BUS_ADDRESS", bus.fAddress.c_str(), 1);
    EXPECT_EQ(CSystemPower::Register([](uint32_t, intptr_t) {}), nullptr);
}

TEST(SystemPowerTest, InhibitorsAndSleepWakeThroughLogind)
{
    CMainEventQueue::Main().Clear();
    CPrivateBus bus;
    ASSERT_TRUE(bus.Start());
    ASSERT_TRUE(bus.StartLogind());

    std::vector<uint32_t> messages;
    std::thread::id mainThread = std::this_thread::get_id();
    bool onMain = true;
    auto power = CSystemPower::Register(
        [&](uint32_t message, intptr_t)
        {
            messages.push_back(message);
            onMain = onMain && std::this_thread::get_id() == mainThread;
        });
    ASSERT_NE(power, nullptr);
    EXPECT_TRUE(power->HoldsIdleBlock());
    EXPECT_TRUE(power->HoldsSleepDelay());
    auto held = bus.Inhibitors();
    EXPECT_TRUE(Contains(held, "idle:block"));
    EXPECT_TRUE(Contains(held, "sleep:delay"));

    // Going to sleep: the owner hears it, then lets the sleep go ahead.
    ASSERT_TRUE(bus.EmitPrepareForSleep(true));
    ASSERT_TRUE(Eventually([&] { return !messages.empty(); }));
    EXPECT_EQ(messages[0], CSystemPower::kSystemWillSleep);
    power->AllowPowerChange(0);
    EXPECT_FALSE(power->HoldsSleepDelay());
    EXPECT_TRUE(Eventually([&] { return !Contains(bus.Inhibitors(), "sleep:delay"); }));
    EXPECT_TRUE(Contains(bus.Inhibitors(), "idle:block"));

    // Waking up: the delay is taken again for the next sleep.
    ASSERT_TRUE(bus.EmitPrepareForSleep(false));
    ASSERT_TRUE(Eventually([&] { return messages.size() == 2; }));
    EXPECT_EQ(messages[1], CSystemPower::kSystemHasPoweredOn);
    EXPECT_TRUE(power->HoldsSleepDelay());
    EXPECT_TRUE(Contains(bus.Inhibitors(), "sleep:delay"));
    EXPECT_TRUE(onMain);

    // Going away lets go of everything.
    power.reset();
    EXPECT_TRUE(Eventually([&] { return bus.Inhibitors().empty(); }));
    CMainEventQueue::Main().Clear();
}

TEST(SystemPowerTest, AFailingOwnerNeitherEscapesTheBusNorHoldsTheSleepBack)
{
    CMainEventQueue::Main().Clear();
    CPrivateBus bus;
    ASSERT_TRUE(bus.Start());
    ASSERT_TRUE(bus.StartLogind());

    int calls = 0;
    auto power = CSystemPower::Register(
        [&](uint32_t, intptr_t)
        {
            ++calls;
            throw std::runtime_error("owner failed");
        });
    ASSERT_NE(power, nullptr);
    ASSERT_TRUE(bus.EmitPrepareForSleep(true));
    ASSERT_TRUE(Eventually([&] { return calls == 1; }));
    EXPECT_FALSE(power->HoldsSleepDelay());
    EXPECT_TRUE(Eventually([&] { return !Contains(bus.Inhibitors(), "sleep:delay"); }));

    // The connection still works: the wake is heard and the delay taken again.
    ASSERT_TRUE(bus.EmitPrepareForSleep(false));
    ASSERT_TRUE(Eventually([&] { return calls == 2; }));
    EXPECT_TRUE(power->HoldsSleepDelay());
    power.reset();
    CMainEventQueue::Main().Clear();
}
