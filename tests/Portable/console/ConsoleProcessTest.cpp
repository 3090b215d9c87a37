// The console updater run as a process against the simulated instrument: exit
// codes, the printed status lines, questions, Ctrl-C and the failure modes.
#include "ConsoleProcess.h"

#include "Portable/update/COSImageBuilder.h"
#include "framework/application/ResourceImageForTests.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <sys/resource.h>

using ConsoleProcess::SResult;

namespace
{

const char* kProductLine =
    "This program will update the OS in your Kelt Podium LX to: OS version 1.20";

size_t Position(const SResult& r, const std::string& text)
{
    return r.mOut.find(text);
}

} // namespace

TEST(ConsoleUpdate, NormalInstrumentIsUpdatedThroughItsReboot)
{
    const SResult r = ConsoleProcess::Run({"--console", "--simulate", "--yes"});
    EXPECT_EQ(r.mExitCode, 0) << r.mOut << r.mErr;
    // The product line comes first and once.
    EXPECT_EQ(r.mOut.find(kProductLine), 0u);
    EXPECT_EQ(r.mOut.find(kProductLine, 1), std::string::npos);
    EXPECT_TRUE(r.HasLine("Found Kelt Podium LX"));
    EXPECT_TRUE(r.HasLine("Kelt Podium LX, OS version 1.10 "));
    EXPECT_TRUE(r.HasLine("Send reboot request, waiting for reconnect..."));
    EXPECT_TRUE(r.HasLine("[########################################] 100%"));
    EXPECT_LT(Position(r, "Send reboot request"), Position(r, "100%"));
    // No question with --yes, no errors.
    EXPECT_EQ(r.mOut.find("[y/N]"), std::string::npos);
    EXPECT_TRUE(r.mErr.empty()) << r.mErr;
}

TEST(ConsoleUpdate, InstrumentsInUpdaterModeNeedNoReboot)
{
    for (const char* mode : {"--simulate=updater", "--simulate=no-os"})
    {
        SCOPED_TRACE(mode);
        const SResult r = ConsoleProcess::Run({"--console", mode, "-y"});
        EXPECT_EQ(r.mExitCode, 0) << r.mOut << r.mErr;
        EXPECT_EQ(r.mOut.find("Send reboot request"), std::string::npos);
        EXPECT_TRUE(r.HasLine("[########################################] 100%"));
    }
    // An instrument attached at start is found within any wait, however short.
    const SResult noOS =
        ConsoleProcess::Run({"--console", "--simulate=no-os", "--yes", "--wait", "0"});
    EXPECT_EQ(noOS.mExitCode, 0) << noOS.mOut << noOS.mErr;
    EXPECT_TRUE(noOS.HasLine("Kelt Podium LX, no OS ")) << noOS.mOut;
}

TEST(ConsoleUpdate, AnswersFromStandardInput)
{
    const SResult declined = ConsoleProcess::Run({"--console", "--simulate=updater"});
    EXPECT_EQ(declined.mExitCode, 4) << declined.mOut;
    EXPECT_NE(declined.mOut.find("Update the OS now? [y/N] "), std::string::npos);

    const SResult no = ConsoleProcess::Run({"--console", "--simulate=updater"}, "n\n");
    EXPECT_EQ(no.mExitCode, 4);

    const SResult yes = ConsoleProcess::Run({"--console", "--simulate=updater"}, "y\n");
    EXPECT_EQ(yes.mExitCode, 0) << yes.mOut << yes.mErr;
    EXPECT_TRUE(yes.HasLine("[########################################] 100%"));
}

TEST(ConsoleUpdate, InstrumentLostDuringTheTransferFails)
{
    const SResult r = ConsoleProcess::Run({"--console", "--simulate=unplug", "--yes"});
    EXPECT_EQ(r.mExitCode, 1) << r.mOut << r.mErr;
    EXPECT_TRUE(r.HasLine("No Kelt Podium LX Connected"));
    EXPECT_EQ(r.mOut.find("100%"), std::string::npos);
}

TEST(ConsoleUpdate, InstrumentThatNeverReturnsFailsAfterTwentySeconds)
{
    const SResult r = ConsoleProcess::Run({"--console", "--simulate=no-return", "--yes"}, "", 60);
    EXPECT_EQ(r.mExitCode, 1) << r.mOut << r.mErr;
    EXPECT_TRUE(r.HasLine("Reboot failed."));
    EXPECT_GE(r.mSeconds, 20.0);
}

TEST(ConsoleUpdate, BusyInstrumentIsReportedWithinTheWait)
{
    // The open retries (about 19 s) run inside --wait, after the product line, and the
    // end says why the instrument found could not be used.
    const SResult r = ConsoleProcess::Run({"--console", "--simulate=busy", "--wait", "3"}, "", 60);
    EXPECT_EQ(r.mExitCode, 3) << r.mOut << r.mErr;
    EXPECT_EQ(r.mOut.find(kProductLine), 0u) << r.mOut;
    const std::string busy = "Error: Synth already connected to another application.\n";
    ASSERT_GE(r.mOut.size(), busy.size());
    EXPECT_EQ(r.mOut.substr(r.mOut.size() - busy.size()), busy) << r.mOut;
    EXPECT_EQ(r.mOut.find("found."), std::string::npos) << r.mOut;
    EXPECT_GE(r.mSeconds, 3.0);
    EXPECT_LT(r.mSeconds, 6.0);
}

TEST(ConsoleUpdate, SignalsIgnoredAtStartStayIgnored)
{
    // As under nohup: a hang-up must not end the program.
    bool sent = false;
    const SResult r = ConsoleProcess::Run(
        {"--console", "--simulate=busy", "--wait", "2"}, "", 30,
        [&sent](const std::string& out, pid_t pid)
        {
            if (!sent && out.find(kProductLine) != std::string::npos)
            {
                kill(pid, SIGHUP);
                sent = true;
            }
        },
        false, [] { signal(SIGHUP, SIG_IGN); });
    ASSERT_TRUE(sent);
    EXPECT_EQ(r.mExitCode, 3) << r.mOut << r.mErr;
}

TEST(ConsoleUpdate, InterruptDuringTheRebootIsRefusedAndTheUpdateEnds)
{
    // Before the instrument left, and while it comes back (it returns about 1.6 s after
    // the request and settles for a second): the quit is refused, the update goes on,
    // and the program still ends with its outcome.
    for (double delay : {0.3, 2.1})
    {
        SCOPED_TRACE(delay);
        bool sent = false;
        const SResult r = ConsoleProcess::Run({"--console", "--simulate", "--yes"}, "", 40,
                                              [&sent, delay](const std::string& out, pid_t pid)
                                              {
                                                  if (!sent && out.find("Send reboot request") !=
                                                                   std::string::npos)
                                                  {
                                                      usleep(static_cast<useconds_t>(delay * 1e6));
                                                      kill(pid, SIGINT);
                                                      sent = true;
                                                  }
                                              });
        ASSERT_TRUE(sent);
        EXPECT_EQ(r.mExitCode, 0) << r.mOut << r.mErr;
        EXPECT_TRUE(r.HasLine(
            "Quitting now would leave the instrument in its updater mode; the update goes on."))
            << r.mOut;
        EXPECT_TRUE(r.HasLine("[########################################] 100%")) << r.mOut;
    }
}

TEST(ConsoleUpdate, ClosedStandardInputIsNoAnswer)
{
    // Without descriptor 0 a descriptor opened later would take its place and be read
    // as the answer.
    const SResult r = ConsoleProcess::Run({"--console", "--simulate=updater"}, "", 30, nullptr,
                                          false, [] { close(0); });
    EXPECT_EQ(r.mExitCode, 4) << r.mOut << r.mErr;
    EXPECT_TRUE(r.HasLine("The OS was not updated.")) << r.mOut;
}

TEST(ConsoleUpdate, InterruptWhileSendingIsRefused)
{
    bool sent = false;
    const SResult r =
        ConsoleProcess::Run({"--console", "--simulate=updater", "--yes"}, "", 60,
                            [&sent](const std::string& out, pid_t pid)
                            {
                                // The version line of updater mode starts the transfer at once.
                                if (!sent && out.find("OS version 1.10 \n") != std::string::npos)
                                {
                                    usleep(200000);
                                    kill(pid, SIGINT);
                                    sent = true;
                                }
                            });
    ASSERT_TRUE(sent);
    EXPECT_EQ(r.mExitCode, 0) << r.mOut << r.mErr;
    EXPECT_TRUE(
        r.HasLine("Quitting now could leave the instrument without an OS; the update goes on."))
        << r.mOut;
}

TEST(ConsoleUpdate, InterruptWhileWaitingQuits)
{
    // Waiting at the question with no terminal to ask on: Ctrl-C quits at once.
    bool sent = false;
    const SResult r = ConsoleProcess::Run(
        {"--console", "--simulate=updater"}, "", 30,
        [&sent](const std::string& out, pid_t pid)
        {
            if (!sent && out.find("[y/N]") != std::string::npos)
            {
                kill(pid, SIGINT);
                sent = true;
            }
        },
        true);
    ASSERT_TRUE(sent);
    EXPECT_EQ(r.mExitCode, 130) << r.mOut << r.mErr;
}

TEST(ConsoleUpdate, NoInstrumentWithinTheWait)
{
    // The virtual bus without an instrument would need a mode; the real bus here has none.
    const SResult r = ConsoleProcess::Run({"--console", "--wait", "1"}, "", 30);
    if (r.mExitCode == 1 && r.mErr.find("USB") != std::string::npos)
        GTEST_SKIP() << "no USB access here: " << r.mErr;
    EXPECT_EQ(r.mExitCode, 3) << r.mOut << r.mErr;
    EXPECT_TRUE(r.HasLine("No Kelt Podium LX Connected"));
    EXPECT_LT(r.mSeconds, 10.0);
}

TEST(ConsoleCommandLine, HelpAndUsageErrors)
{
    const SResult help = ConsoleProcess::Run({"--help"});
    EXPECT_EQ(help.mExitCode, 0);
    for (const char* word : {"--console", "--simulate", "--yes", "--wait", "--resources", "normal",
                             "updater", "no-os", "busy", "no-return", "unplug", "130"})
        EXPECT_NE(help.mOut.find(word), std::string::npos) << word;

    EXPECT_EQ(ConsoleProcess::Run({"--console", "--frobnicate"}).mExitCode, 2);
    EXPECT_EQ(ConsoleProcess::Run({"--console", "--wait"}).mExitCode, 2);
    EXPECT_EQ(ConsoleProcess::Run({"--console", "--wait", "soon"}).mExitCode, 2);
    const SResult mode = ConsoleProcess::Run({"--console", "--simulate=sideways"});
    EXPECT_EQ(mode.mExitCode, 2);
    EXPECT_NE(mode.mErr.find("sideways"), std::string::npos);
}

TEST(ConsoleCommandLine, MissingResourcesEndWithStatusTwo)
{
    const SResult missing =
        ConsoleProcess::Run({"--console", "--simulate", "--resources", "/nonexistent.rsrc"});
    EXPECT_EQ(missing.mExitCode, 2);
    EXPECT_FALSE(missing.mErr.empty());

    // Either image missing: the boot block without the OS, the OS without the boot block.
    const std::string path = ::testing::TempDir() + "one-image.rsrc";
    for (const char* present : {"BOOT", "TQOS"})
    {
        SCOPED_TRACE(present);
        ASSERT_TRUE(ResourceImageForTests::WriteFile(
            path, ResourceImageForTests::Build({{{present, 128}, {1, 2, 3}}})));
        const SResult noOS =
            ConsoleProcess::Run({"--console", "--simulate", "--yes", "--resources", path});
        EXPECT_EQ(noOS.mExitCode, 2) << noOS.mOut << noOS.mErr;
        EXPECT_NE(noOS.mErr.find("No OS resource"), std::string::npos);
        // No instrument was touched.
        EXPECT_EQ(noOS.mOut.find("Found"), std::string::npos);
    }

    // Either image empty: the message names the resource and the file.
    for (const char* empty : {"BOOT", "TQOS"})
    {
        SCOPED_TRACE(empty);
        const std::vector<uint8_t> bytes = {1, 2, 3};
        const bool bootEmpty = std::string(empty) == "BOOT";
        ASSERT_TRUE(ResourceImageForTests::WriteFile(
            path, ResourceImageForTests::Build(
                      {{{"BOOT", 128}, bootEmpty ? std::vector<uint8_t>() : bytes},
                       {{"TQOS", 128}, bootEmpty ? bytes : std::vector<uint8_t>()}})));
        const SResult r =
            ConsoleProcess::Run({"--console", "--simulate", "--yes", "--resources", path});
        EXPECT_EQ(r.mExitCode, 2) << r.mOut << r.mErr;
        EXPECT_EQ(r.mErr, std::string("kelt-podium-update: the resource \"") + empty +
                              "\" 128 in " + path + " is empty\n");
        EXPECT_EQ(r.mOut.find("Found"), std::string::npos);
    }
    std::remove(path.c_str());
}

TEST(ConsoleCommandLine, ResourceFileTooBigForMemoryEndsWithStatusTwo)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers reserve more address space than the limit allows";
#else
    // A sparse gigabyte under a 400 MB address-space limit: whatever the reader makes
    // of it, the end is one line and status 2, never an abort.
    const std::string path = ::testing::TempDir() + "huge.rsrc";
    const int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t(1) << 30), 0);
    close(fd);
    const SResult r = ConsoleProcess::Run({"--console", "--simulate", "--resources", path}, "", 60,
                                          nullptr, false,
                                          []
                                          {
                                              rlimit limit = {400u << 20, 400u << 20};
                                              setrlimit(RLIMIT_AS, &limit);
                                          });
    std::remove(path.c_str());
    EXPECT_EQ(r.mExitCode, 2) << r.mOut << r.mErr;
    ASSERT_FALSE(r.mErr.empty());
    EXPECT_EQ(r.mErr.find('\n'), r.mErr.size() - 1) << r.mErr;
    EXPECT_EQ(r.mErr.rfind("kelt-podium-update: ", 0), 0u) << r.mErr;
#endif
}

TEST(ConsoleUpdate, ReaderThatGoesAwayDoesNotStopTheUpdate)
{
    // Output piped into a reader that quits after the first line.
    const std::string command = "bash -c '\"" + ConsoleProcess::Program() +
                                "\" --console --simulate=updater --yes | head -n 1 >/dev/null;"
                                " echo ${PIPESTATUS[0]}'";
    std::FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char status[16] = {};
    ASSERT_NE(std::fgets(status, sizeof status, pipe), nullptr);
    pclose(pipe);
    EXPECT_STREQ(status, "0\n");
}

TEST(ConsoleUpdate, DamagedImageEndsBeforeTheInstrumentIsTouched)
{
    COSImageBuilder builder(120, 7);
    builder.AddSection("CODE", 0x10000, std::vector<uint8_t>(5000, 0x5A));
    std::vector<uint8_t> image = builder.Build();
    image[700] ^= 0x55; // the header checksum no longer matches
    const std::string path = ::testing::TempDir() + "bad-image.rsrc";
    ASSERT_TRUE(ResourceImageForTests::WriteFile(
        path, ResourceImageForTests::Build({{{"BOOT", 128}, {1, 2, 3}}, {{"TQOS", 128}, image}})));
    // A running instrument would otherwise be rebooted into its updater mode first.
    const SResult r =
        ConsoleProcess::Run({"--console", "--simulate", "--yes", "--resources", path}, "", 30);
    std::remove(path.c_str());
    EXPECT_EQ(r.mExitCode, 2) << r.mOut << r.mErr;
    EXPECT_EQ(r.mOut.find(kProductLine), 0u) << r.mOut;
    EXPECT_TRUE(
        r.HasLine("Error: The OS image in this program is damaged; it cannot be installed."))
        << r.mOut;
    EXPECT_EQ(r.mOut.find("Found"), std::string::npos) << r.mOut;
    EXPECT_EQ(r.mOut.find("reboot"), std::string::npos) << r.mOut;
}
