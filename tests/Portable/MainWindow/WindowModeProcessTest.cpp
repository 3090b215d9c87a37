// The program started without --console: where no window can be opened, and with a
// resource file that cannot make the window.
#include "Portable/console/ConsoleProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

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

TEST(WindowMode, ResourceFileWithoutTheWindowsDialogIsNamedWithStatusTwo)
{
    char folder[] = "/tmp/kelt-window-mode-XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string dir = folder;
    const std::string built = std::string(KELT_BINARY_DIR) + "/Portable/resources/";
    // The OS image and the menu's text, but no dialog 128; then one with a single item.
    const std::string common = "resource TQOS 128 file \"" + built + "demo-os.img\"\n" +
                               "resource BOOT 128 file \"" + built + "boot.bin\"\n" +
                               "resource SSTR 128 text <<END\n15{About...}\nEND\n";
    const std::string oneItem = "resource DLOG 128 dialog\n rect 0 0 100 200\n procid 4\n"
                                " items 128\n title \"x\"\nend\n"
                                "resource DITL 128 items\n item static rect 8 8 24 190 text "
                                "\"one\"\nend\n";
    for (const std::string& description : {common, common + oneItem})
    {
        std::ofstream(dir + "/r.rdesc") << description;
        const std::string build = std::string(KELT_BINARY_DIR) + "/tools/rsrc/kelt-rsrc build -o " +
                                  dir + "/r.rsrc " + dir + "/r.rdesc";
        ASSERT_EQ(std::system(build.c_str()), 0) << description;
        // The toolkit's own allocations kept until exit are no leak of the program's.
        const auto suppressions = []
        {
            ::setenv("LSAN_OPTIONS",
                     "suppressions=" KELT_SOURCE_DIR "/tests/lsan-gtk.supp:print_suppressions=0",
                     1);
        };
        const ConsoleProcess::SResult r = ConsoleProcess::Run(
            {"--simulate", "--resources", dir + "/r.rsrc"}, "", 30, nullptr, false, suppressions);
        EXPECT_EQ(r.mExitCode, 2) << r.mErr;
        EXPECT_NE(r.mErr.find("\"DLOG\" and \"DITL\" 128"), std::string::npos) << r.mErr;
        EXPECT_NE(r.mErr.find(dir + "/r.rsrc"), std::string::npos) << r.mErr;
    }
    std::system(("rm -rf " + dir).c_str());
}

} // namespace
