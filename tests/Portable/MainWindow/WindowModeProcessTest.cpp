// The program started without --console where no window can be opened.
#include "Portable/console/ConsoleProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace
{

int CountLines(const std::string& text)
{
    int lines = 0;
    for (char c : text)
        lines += c == '\n';
    return lines;
}

TEST(WindowMode, WithoutADisplayOneLineNamesConsoleAndTheStatusIsTwo)
{
    // No display named at all, and one named that cannot be opened.
    const auto noDisplay = []
    {
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
    };
    const auto deadDisplay = []
    {
        ::setenv("DISPLAY", ":32767", 1);
        ::unsetenv("WAYLAND_DISPLAY");
        ::setenv("GDK_BACKEND", "x11", 1);
    };
    for (const auto& environment :
         {std::function<void()>(noDisplay), std::function<void()>(deadDisplay)})
    {
        const ConsoleProcess::SResult r =
            ConsoleProcess::Run({"--simulate"}, "", 30, nullptr, false, environment);
        EXPECT_EQ(r.mExitCode, 2);
        EXPECT_EQ(CountLines(r.mErr), 1) << r.mErr;
        EXPECT_NE(r.mErr.find("--console"), std::string::npos) << r.mErr;
        EXPECT_TRUE(r.mOut.empty()) << r.mOut;
    }
}

TEST(WindowMode, HelpNamesTheWindowFirstAndItsExitStatus)
{
    const ConsoleProcess::SResult help = ConsoleProcess::Run({"--help"});
    EXPECT_EQ(help.mExitCode, 0);
    EXPECT_EQ(help.mOut.rfind("Usage: kelt-podium-update [--console] [OPTION]...\n", 0), 0u)
        << help.mOut;
    EXPECT_NE(help.mOut.find("Exit status in the window"), std::string::npos);
}

} // namespace
