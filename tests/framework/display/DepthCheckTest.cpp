// The start-up refusal on a screen of an unsupported depth: a modal stop message
// with the application's name, then XBase out of the constructor. Runs on an X
// server of its own at 15 bits per pixel.
#include "framework/application/CApplication.h"
#include "framework/files/XBase.h"

#include "DisplayTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace NSWayfarer;

namespace
{

std::string Output(const std::string& command)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r"))
    {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        ::pclose(pipe);
    }
    return out;
}

TEST(DepthCheck, UnsupportedDepthShowsTheStopMessageThenThrows)
{
    NSTestSupport::CPrivateXServer server("640x480x15");
    std::string display = server.GetDisplay();
    ASSERT_FALSE(display.empty()) << "Xvfb did not start";

    const pid_t app = ::fork();
    if (app == 0)
    {
        ::setenv("DISPLAY", display.c_str(), 1);
        CApplicationStartupInfo info;
        std::snprintf(info.fApplicationName, sizeof info.fApplicationName, "Depth Test");
        info.fUsesDisplay = true;
        try
        {
            CApplication application(&info);
        }
        catch (const XBase&)
        {
            ::_exit(3);
        }
        ::_exit(0);
    }

    // The message waits for the user: find it, read it, answer it.
    const std::string env = "DISPLAY=" + display + " ";
    std::string window;
    for (int i = 0; i < 100 && window.empty(); ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        // The one visible window that is neither the screen nor the toolkit's 1x1 leader.
        window =
            Output("for w in $(" + env +
                   "xdotool search --onlyvisible --name '.*' 2>/dev/null); do " + env +
                   "xdotool getwindowgeometry $w | grep -qE 'Geometry: (640x480|1x1)$' || echo $w; "
                   "done | head -n 1");
    }
    EXPECT_FALSE(window.empty()) << "no stop message appeared";
    if (!window.empty())
    {
        window.erase(window.find_last_not_of("\n") + 1);
        // Real key strokes to the focused message (its OK button has the focus).
        std::system(
            (env + "xdotool windowfocus --sync " + window + " key Return >/dev/null 2>&1").c_str());
    }
    int status = 0;
    bool ended = false;
    for (int i = 0; i < 100 && !ended; ++i)
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ended = ::waitpid(app, &status, WNOHANG) == app;
    }
    if (!ended)
    {
        ::kill(app, SIGKILL);
        ::waitpid(app, &status, 0);
    }
    ASSERT_TRUE(ended) << "the application did not end after the message was answered";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
}

} // namespace
