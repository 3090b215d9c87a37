// The console updater's --json and --identify, run as a process against the
// simulated instrument; every event stream is checked by a real JSON parser
// (check_json_events.py), which also holds the rules of their order.
#include "ConsoleProcess.h"

#include "framework/application/ResourceImageForTests.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

using ConsoleProcess::SResult;

namespace
{

struct SChecked
{
    bool mValid = false;
    std::string mEvents; // one ASCII-only event per line, as the parser read it
    std::string mFault;
};

// Tests run in parallel processes: each has its own files.
std::string TempFile(const char* name)
{
    return ::testing::TempDir() + std::to_string(getpid()) + "-" + name;
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

SChecked Check(const SResult& r, bool identifying = false)
{
    const std::string events = TempFile("events.jsonl");
    const std::string fault = TempFile("events.fault");
    {
        std::ofstream out(events, std::ios::binary);
        out << r.mOut;
    }
    const std::string command = "python3 '" KELT_SOURCE_DIR
                                "/tests/Portable/console/check_json_events.py' '" +
                                events + "' " + std::to_string(r.mExitCode) +
                                (identifying ? " identify" : "") + " 2>'" + fault + "'";
    SChecked checked;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return checked;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        checked.mEvents.append(buffer, got);
    checked.mValid = pclose(pipe) == 0;
    checked.mFault = ReadFile(fault);
    std::remove(events.c_str());
    std::remove(fault.c_str());
    return checked;
}

bool Has(const SChecked& c, const std::string& text)
{
    return c.mEvents.find(text) != std::string::npos;
}

// Runs the program with the virtual bus writing what the instrument received.
SResult RunCounting(const std::vector<std::string>& args, std::string& received)
{
    const std::string report = TempFile("bus-report.txt");
    std::remove(report.c_str());
    const SResult r =
        ConsoleProcess::Run(args, "", 60, nullptr, false,
                            [report] { setenv("KELT_VIRTUAL_BUS_REPORT", report.c_str(), 1); });
    received = ReadFile(report);
    std::remove(report.c_str());
    return r;
}

} // namespace

TEST(ConsoleJson, EveryModeGivesValidEventsEndingWithTheExitStatus)
{
    struct SCase
    {
        std::vector<std::string> mArgs;
        int mExit;
    };
    const SCase cases[] = {
        {{"--simulate", "--yes"}, 0},
        {{"--simulate=updater", "--yes"}, 0},
        {{"--simulate=no-os", "--yes"}, 0},
        {{"--simulate=odd-text", "--yes"}, 0},
        {{"--simulate=unplug", "--yes"}, 1},
        {{"--simulate=busy", "--wait", "2"}, 3},
        // Standard input closed: the question is answered no.
        {{"--simulate=updater"}, 4},
    };
    for (const SCase& c : cases)
    {
        std::vector<std::string> args = {"--console", "--json"};
        args.insert(args.end(), c.mArgs.begin(), c.mArgs.end());
        SCOPED_TRACE(args[2]);
        const SResult r = ConsoleProcess::Run(args);
        EXPECT_EQ(r.mExitCode, c.mExit) << r.mErr;
        const SChecked checked = Check(r);
        EXPECT_TRUE(checked.mValid) << checked.mFault << r.mOut;
        // The human texts went to standard error.
        EXPECT_NE(r.mErr.find("No Kelt Podium LX Connected"), std::string::npos) << r.mErr;
        if (c.mExit == 0)
        {
            EXPECT_TRUE(Has(checked, "{\"event\":\"progress\",\"percent\":100}"));
            EXPECT_TRUE(Has(checked, "{\"event\":\"state\",\"state\":\"finish\"}"));
        }
    }
}

TEST(ConsoleJson, EventsTellTheWholeUpdate)
{
    const SResult r = ConsoleProcess::Run({"--console", "--json", "--simulate", "--yes"});
    ASSERT_EQ(r.mExitCode, 0) << r.mErr;
    const SChecked c = Check(r);
    ASSERT_TRUE(c.mValid) << c.mFault << r.mOut;
    EXPECT_EQ(
        c.mEvents.rfind("{\"event\":\"start\",\"program\":\"1.0 build 1\",\"image\":\"OS "
                        "version 1.20\",\"imageVersion\":120,\"imageBuild\":7,\"resources\":\"",
                        0),
        0u)
        << c.mEvents;
    EXPECT_TRUE(Has(c, "kelt-podium-update.rsrc\"}\n"));
    // The running instrument, then the same one back in its updater mode.
    EXPECT_TRUE(Has(c, "{\"event\":\"status\",\"text\":\"Kelt Podium LX, OS version 1.10 \"}\n"
                       "{\"event\":\"instrument\",\"product\":\"Kelt Podium LX\",\"mode\":\"os\","
                       "\"os\":\"OS version 1.10\",\"osVersion\":110,\"osBuild\":1,"
                       "\"bootVersion\":102,\"serialNumber\":4711}\n"
                       "{\"event\":\"state\",\"state\":\"os\"}\n"))
        << c.mEvents;
    EXPECT_TRUE(Has(c, "\"mode\":\"updater\""));
    EXPECT_TRUE(Has(c, "{\"event\":\"status\",\"text\":\"Send reboot request, waiting for "
                       "reconnect...\"}\n{\"event\":\"state\",\"state\":\"reboot\"}\n"));
    EXPECT_TRUE(Has(c, "{\"event\":\"end\",\"exit\":0,\"outcome\":\"updated\"}\n"));
}

TEST(ConsoleJson, InstrumentTextIsEscapedAndMadeValidUtf8)
{
    const SResult r = ConsoleProcess::Run({"--console", "--json", "--simulate=odd-text", "--yes"});
    ASSERT_EQ(r.mExitCode, 0) << r.mErr;
    // Escaped on the wire: nothing raw that a terminal or a line reader would act on.
    for (char ch : r.mOut)
        ASSERT_TRUE(ch == '\n' || (static_cast<unsigned char>(ch) >= 0x20 && ch != 0x7F))
            << int(static_cast<unsigned char>(ch));
    const SChecked c = Check(r);
    ASSERT_TRUE(c.mValid) << c.mFault << r.mOut;
    // As the parser decoded it: quote, backslash and controls intact; each broken
    // sequence one U+FFFD; the well-formed e-acute kept.
    const std::string text = "\\\"q\\\" \\\\ \\u0001\\u001b\\u007f \\ufffd\\ufffd \\ufffd( "
                             "\\u00e9 \\ufffd";
    EXPECT_TRUE(Has(c, "{\"event\":\"status\",\"text\":\"" + text + "\"}\n")) << c.mEvents;
    EXPECT_TRUE(Has(c, "\"remark\":\"(" + text + ")\"}\n")) << c.mEvents;
}

TEST(ConsoleJson, QuestionAndAnswerAreEvents)
{
    const SResult r = ConsoleProcess::Run({"--console", "--json", "--simulate=updater"}, "y\n");
    ASSERT_EQ(r.mExitCode, 0) << r.mErr;
    const SChecked c = Check(r);
    ASSERT_TRUE(c.mValid) << c.mFault << r.mOut;
    EXPECT_TRUE(Has(c,
                    "{\"event\":\"question\",\"question\":\"update\",\"text\":\"Update the OS "
                    "now?\"}\n{\"event\":\"answer\",\"question\":\"update\",\"answer\":\"yes\"}\n"))
        << c.mEvents;
    // The question itself is asked on standard error.
    EXPECT_NE(r.mErr.find("Update the OS now? [y/N] "), std::string::npos);
}

TEST(ConsoleJson, InterruptedWhileWaitingForTheAnswer)
{
    bool sent = false;
    const SResult r = ConsoleProcess::Run(
        {"--console", "--json", "--simulate=updater"}, "", 30,
        [&sent](const std::string& out, pid_t pid)
        {
            if (!sent && out.find("\"question\"") != std::string::npos)
            {
                kill(pid, SIGINT);
                sent = true;
            }
        },
        true);
    ASSERT_TRUE(sent);
    EXPECT_EQ(r.mExitCode, 130) << r.mErr;
    const SChecked c = Check(r);
    EXPECT_TRUE(c.mValid) << c.mFault << r.mOut;
}

TEST(ConsoleJson, InstrumentThatNeverReturnsEndsFailed)
{
    const SResult r = ConsoleProcess::Run({"--console", "--json", "--simulate=no-return", "--yes"});
    EXPECT_EQ(r.mExitCode, 1) << r.mErr;
    const SChecked c = Check(r);
    EXPECT_TRUE(c.mValid) << c.mFault << r.mOut;
    EXPECT_TRUE(Has(c, "{\"event\":\"status\",\"text\":\"Reboot failed.\"}\n"
                       "{\"event\":\"state\",\"state\":\"unknown\"}\n"))
        << c.mEvents;
}

TEST(ConsoleJson, UsageErrorsEndWithUsageOnStandardOutput)
{
    const std::vector<std::vector<std::string>> cases = {
        {"--json"},
        {"--identify"},
        {"--console", "--json", "--frobnicate"},
        {"--console", "--identify", "--yes", "--json"},
        {"--console", "--json", "--simulate", "--resources", "/nonexistent.rsrc"},
    };
    for (const auto& args : cases)
    {
        SCOPED_TRACE(args.back());
        const SResult r = ConsoleProcess::Run(args);
        EXPECT_EQ(r.mExitCode, 2);
        EXPECT_FALSE(r.mErr.empty());
        if (args.size() > 1)
        {
            EXPECT_EQ(r.mOut, "{\"event\":\"end\",\"exit\":2,\"outcome\":\"usage\"}\n");
        }
    }
    // A resource file without the OS image: the start names no image.
    const std::string path = TempFile("boot-only.rsrc");
    ASSERT_TRUE(ResourceImageForTests::WriteFile(
        path, ResourceImageForTests::Build({{{"BOOT", 128}, {1, 2, 3}}})));
    const SResult noImage =
        ConsoleProcess::Run({"--console", "--json", "--simulate", "--resources", path});
    std::remove(path.c_str());
    EXPECT_EQ(noImage.mExitCode, 2);
    const SChecked c = Check(noImage);
    EXPECT_TRUE(c.mValid) << c.mFault << noImage.mOut;
    EXPECT_TRUE(Has(c, "\"image\":null,\"imageVersion\":null,\"imageBuild\":null"));
    EXPECT_NE(noImage.mErr.find("No OS resource"), std::string::npos);

    const SResult help = ConsoleProcess::Run({"--help"});
    for (const char* word : {"--json", "--identify", "odd-text", "\"outcome\":\"updated\""})
        EXPECT_NE(help.mOut.find(word), std::string::npos) << word;
}

TEST(ConsoleIdentify, ReportsTheInstrumentAndSendsNothingElse)
{
    struct SCase
    {
        const char* mMode;
        const char* mFields;
    };
    const SCase cases[] = {
        {"--simulate",
         "\"mode\":\"os\",\"os\":\"OS version 1.10\",\"osVersion\":110,\"osBuild\":1"},
        {"--simulate=updater",
         "\"mode\":\"updater\",\"os\":\"OS version 1.10\",\"osVersion\":110,\"osBuild\":1"},
        {"--simulate=no-os", "\"mode\":\"updater\",\"os\":\"no OS\",\"osVersion\":null,"
                             "\"osBuild\":null"},
    };
    for (const SCase& c : cases)
    {
        SCOPED_TRACE(c.mMode);
        std::string received;
        const SResult r = RunCounting({"--console", "--identify", "--json", c.mMode}, received);
        EXPECT_EQ(r.mExitCode, 0) << r.mErr;
        const SChecked checked = Check(r, true);
        EXPECT_TRUE(checked.mValid) << checked.mFault << r.mOut;
        EXPECT_TRUE(Has(checked, "{\"event\":\"instrument\",\"product\":\"Kelt Podium LX\"," +
                                     std::string(c.mFields)))
            << checked.mEvents;
        EXPECT_TRUE(Has(checked, "{\"event\":\"end\",\"exit\":0,\"outcome\":\"identified\"}\n"));
        // The status and the version request, once each; no reboot, nothing else.
        EXPECT_EQ(received, "instrument\nframes 2\nlost 0\nreboots 0\ninstalls 0\n"
                            "message 0x80 1\nmessage 0x81 1\n");
    }
}

TEST(ConsoleIdentify, PrintsTheFieldsForPeople)
{
    const SResult r = ConsoleProcess::Run({"--console", "--identify", "--simulate", "--wait", "5"});
    EXPECT_EQ(r.mExitCode, 0) << r.mErr;
    EXPECT_TRUE(r.HasLine("Product: Kelt Podium LX")) << r.mOut;
    EXPECT_TRUE(r.HasLine("Mode: running its OS"));
    EXPECT_TRUE(r.HasLine("OS: OS version 1.10"));
    EXPECT_TRUE(r.HasLine("Serial number: 4711"));
    // It installs nothing, so it does not say what it would install.
    EXPECT_EQ(r.mOut.find("This program will update"), std::string::npos) << r.mOut;
}

TEST(ConsoleIdentify, InstrumentHeldByAnotherProgramIsAFailure)
{
    std::string received;
    const SResult r = RunCounting(
        {"--console", "--identify", "--json", "--simulate=busy", "--wait", "2"}, received);
    EXPECT_EQ(r.mExitCode, 1) << r.mErr;
    const SChecked c = Check(r, true);
    EXPECT_TRUE(c.mValid) << c.mFault << r.mOut;
    EXPECT_TRUE(Has(c, "\"text\":\"Error: Synth already connected to another application.\""));
    EXPECT_EQ(received.find("frames 0\n"), received.find("frames")) << received;
    EXPECT_LT(r.mSeconds, 6.0);
}
