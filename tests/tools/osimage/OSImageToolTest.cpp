// Runs the built kelt-osimage on images made here and checks its exit status and output.
#include "Portable/update/COSImageBuilder.h"
#include "Portable/update/OSImageTestUtil.h"
#include "tools/osimage/COSImageTool.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <spawn.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

using namespace OSImageTest;
namespace fs = std::filesystem;

namespace
{

struct SRun
{
    int mExit = -1;
    std::string mOut;
    std::string mErr;
};

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> ReadBytes(const fs::path& path)
{
    const std::string text = ReadText(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

void WriteBytes(const fs::path& path, const std::vector<uint8_t>& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

std::string LastLine(const std::string& text)
{
    std::string trimmed = text;
    while (!trimmed.empty() && trimmed.back() == '\n')
        trimmed.pop_back();
    const size_t nl = trimmed.rfind('\n');
    return nl == std::string::npos ? trimmed : trimmed.substr(nl + 1);
}

class OSImageTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kelt-osimage-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        fDir = pattern;
    }

    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(fDir, ec);
    }

    SRun Run(const std::vector<std::string>& args, const char* stdoutPath = nullptr)
    {
        const std::string tool = std::string(KELT_BINARY_DIR) + "/tools/osimage/kelt-osimage";
        const fs::path out = stdoutPath != nullptr ? fs::path(stdoutPath) : fDir / "stdout.txt";
        const fs::path err = fDir / "stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(tool.c_str()));
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);

        SRun run;
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        EXPECT_EQ(rc, 0) << "cannot start " << tool;
        if (rc != 0)
            return run;
        int status = 0;
        waitpid(pid, &status, 0);
        run.mExit = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.mOut = stdoutPath != nullptr ? std::string() : ReadText(out);
        run.mErr = ReadText(err);
        return run;
    }

    std::string Path(const char* name) const { return (fDir / name).string(); }

    std::string WriteImage(const char* name, const std::vector<uint8_t>& image)
    {
        WriteBytes(fDir / name, image);
        return Path(name);
    }

    static std::vector<uint8_t> GoodImage()
    {
        COSImageBuilder builder(123, 7);
        builder.AddSection("CODE", 0x10000, Pattern(5000, 1));
        builder.AddSection("DATA", 0x4000, Pattern(300, 2));
        return builder.Build();
    }

    fs::path fDir;
};

} // namespace

TEST_F(OSImageTool, BuildThenCheckRoundTrip)
{
    WriteBytes(fDir / "code.bin", Pattern(5000, 1));
    WriteBytes(fDir / "data.bin", Pattern(300, 2));
    const SRun build =
        Run({"build", "-o", Path("os.img"), "--version", "123", "--build", "7", "--section",
             "CODE:0x10000:" + Path("code.bin"), "--section=DATA:16384:" + Path("data.bin")});
    ASSERT_EQ(build.mExit, 0) << build.mErr;
    EXPECT_EQ(ReadBytes(fDir / "os.img"), GoodImage()) << "the tool and the builder disagree";

    const SRun check = Run({"check", Path("os.img")});
    EXPECT_EQ(check.mExit, 0) << check.mErr;
    EXPECT_NE(check.mOut.find("\nOS version 1.23, build 7\n"), std::string::npos) << check.mOut;
    EXPECT_NE(check.mOut.find("Image kind: 1"), std::string::npos);
    EXPECT_NE(check.mOut.find("1 CODE  offset 0x000002D4  size 5000  address 0x00010000  "
                              "compressed 0  checksum OK"),
              std::string::npos)
        << check.mOut;
    EXPECT_NE(check.mOut.find("2 DATA  offset 0x0000165C  size 300  address 0x00004000"),
              std::string::npos);
    EXPECT_EQ(LastLine(check.mOut), "Installable (start address 0x00010000)");
    EXPECT_TRUE(check.mErr.empty());
}

TEST_F(OSImageTool, EvenVersionIsShownWithoutBuildAndTypeIsWritten)
{
    WriteBytes(fDir / "code.bin", Pattern(10, 3));
    const SRun build = Run({"build", "-o", Path("os.img"), "--version", "120", "--build", "7",
                            "--type", "2", "--section", "CODE:0:" + Path("code.bin")});
    ASSERT_EQ(build.mExit, 0) << build.mErr;
    const SRun check = Run({"check", Path("os.img")});
    EXPECT_EQ(check.mExit, 1);
    EXPECT_NE(check.mOut.find("\nOS version 1.20\n"), std::string::npos) << check.mOut;
    EXPECT_EQ(LastLine(check.mOut), "Not installable: wrong image kind 2 (must be 1)");
}

TEST_F(OSImageTool, CheckNamesEveryFailure)
{
    struct SCase
    {
        const char* mWhat;
        std::function<void(std::vector<uint8_t>&)> mBreak;
        const char* mLastLine;
        const char* mSectionLine; // a line that must appear, or null
    };
    const std::vector<SCase> cases = {
        {"short", [](std::vector<uint8_t>& im) { im.resize(500); },
         "Not installable: short header (500 bytes, the header needs 724)", nullptr},
        {"kind",
         [](std::vector<uint8_t>& im)
         {
             im[2] = 0;
             FixHeaderChecksum(im);
         },
         "Not installable: wrong image kind 0 (must be 1)", nullptr},
        {"header", [](std::vector<uint8_t>& im) { im[10] ^= 0x10; },
         "Not installable: bad header checksum", "Header checksum: "},
        {"nocode",
         [](std::vector<uint8_t>& im)
         {
             im[EntryOffset(0, 0) + 3] = 'Y';
             FixHeaderChecksum(im);
         },
         "Not installable: no \"CODE\" section", "1 CODY"},
        {"section", [](std::vector<uint8_t>& im) { im[724 + 5000 + 299] ^= 0xFF; },
         "Not installable: bad section checksum in section 2 \"DATA\"",
         "compressed 0  checksum BAD"},
        {"outside", [](std::vector<uint8_t>& im) { im.resize(im.size() - 10); },
         "Not installable: section 2 \"DATA\" lies outside the image",
         "checksum BAD (outside the image)"},
        {"count",
         [](std::vector<uint8_t>& im)
         {
             im[19] = 40;
             FixHeaderChecksum(im);
         },
         "Not installable: too many sections (40 listed, at most 16)", "Sections: 40"},
    };
    for (const SCase& c : cases)
    {
        std::vector<uint8_t> image = GoodImage();
        c.mBreak(image);
        const SRun check = Run({"check", WriteImage("broken.img", image)});
        EXPECT_EQ(check.mExit, 1) << c.mWhat << "\n" << check.mOut << check.mErr;
        EXPECT_NE(LastLine(check.mOut).find(c.mLastLine), std::string::npos) << c.mWhat << "\n"
                                                                             << check.mOut;
        if (c.mSectionLine != nullptr)
        {
            EXPECT_NE(check.mOut.find(c.mSectionLine), std::string::npos) << c.mWhat << "\n"
                                                                          << check.mOut;
        }
    }
}

TEST_F(OSImageTool, CheckShowsUnprintableNamesEscaped)
{
    std::vector<uint8_t> image = GoodImage();
    image[EntryOffset(1, 0)] = 0x1B; // an escape byte must not reach the terminal
    FixHeaderChecksum(image);
    const SRun check = Run({"check", WriteImage("esc.img", image)});
    EXPECT_EQ(check.mExit, 0);
    EXPECT_EQ(check.mOut.find('\x1B'), std::string::npos);
    EXPECT_NE(check.mOut.find("\\x1BATA"), std::string::npos) << check.mOut;
}

TEST_F(OSImageTool, CheckEscapesTheSectionNameInTheVerdictToo)
{
    std::vector<uint8_t> image = GoodImage();
    image[EntryOffset(1, 0)] = 0x1B;
    FixHeaderChecksum(image);
    image[724 + 5000 + 299] ^= 0xFF; // the verdict names the damaged section
    const SRun check = Run({"check", WriteImage("esc.img", image)});
    EXPECT_EQ(check.mExit, 1);
    EXPECT_EQ(check.mOut.find('\x1B'), std::string::npos) << check.mOut;
    EXPECT_EQ(LastLine(check.mOut),
              "Not installable: bad section checksum in section 2 \"\\x1BATA\"");
}

TEST_F(OSImageTool, OversizedInputIsRefusedBeforeItIsRead)
{
    // Sparse: takes no disk space, and reading it would take seconds and 2 GiB of memory.
    const std::string huge = Path("huge.img");
    {
        std::ofstream create(huge);
    }
    ASSERT_EQ(truncate(huge.c_str(), off_t(1) << 31), 0);
    const SRun check = Run({"check", huge});
    EXPECT_EQ(check.mExit, 2);
    EXPECT_NE(check.mErr.find("too large (2147483648 bytes; at most 2147483647)"),
              std::string::npos)
        << check.mErr;
    EXPECT_TRUE(check.mOut.empty());
}

TEST_F(OSImageTool, UnwritableStandardOutputIsAnError)
{
    const std::string image = WriteImage("good.img", GoodImage());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"check", image}, std::vector<std::string>{"--help"}})
    {
        const SRun run = Run(args, "/dev/full");
        EXPECT_EQ(run.mExit, 2) << args[0];
        EXPECT_NE(run.mErr.find("cannot write standard output: No space left on device"),
                  std::string::npos)
            << run.mErr;
    }
}

TEST_F(OSImageTool, CheckUsageAndInputErrors)
{
    const SRun none = Run({});
    EXPECT_EQ(none.mExit, 2);
    EXPECT_NE(none.mErr.find("no command"), std::string::npos);

    EXPECT_EQ(Run({"check"}).mExit, 2);
    EXPECT_EQ(Run({"check", "a", "b"}).mExit, 2);
    EXPECT_EQ(Run({"frobnicate"}).mExit, 2);

    const SRun missing = Run({"check", Path("nothing.img")});
    EXPECT_EQ(missing.mExit, 2);
    EXPECT_NE(missing.mErr.find("cannot open"), std::string::npos) << missing.mErr;
    EXPECT_TRUE(missing.mOut.empty());

    const SRun folder = Run({"check", fDir.string()});
    EXPECT_EQ(folder.mExit, 2);
    EXPECT_NE(folder.mErr.find("folder"), std::string::npos) << folder.mErr;

    const SRun empty = Run({"check", WriteImage("empty.img", {})});
    EXPECT_EQ(empty.mExit, 1);
    EXPECT_NE(LastLine(empty.mOut).find("short header (0 bytes"), std::string::npos);
}

TEST_F(OSImageTool, BuildRejectsBadArgumentsAndLeavesTheOutputAlone)
{
    WriteBytes(fDir / "code.bin", Pattern(10, 3));
    const std::string code = "CODE:0x100:" + Path("code.bin");
    WriteBytes(fDir / "out.img", {'o', 'l', 'd'});
    const std::vector<std::string> base = {"build",   "-o", Path("out.img"), "--version", "120",
                                           "--build", "1"};
    struct SCase
    {
        std::vector<std::string> mExtra;
        const char* mMessage;
    };
    std::vector<std::string> seventeen;
    for (int i = 0; i < 17; ++i)
    {
        seventeen.push_back("--section");
        seventeen.push_back(code);
    }
    const std::vector<SCase> cases = {
        {{"--section", "CODE:0x100:" + Path("missing.bin")}, "cannot open"},
        {{"--section", "CODES:0x100:" + Path("code.bin")}, "at most 4 characters"},
        {{"--section", ":0x100:" + Path("code.bin")}, "name is empty"},
        {{"--section", "CODE:0x1FFFFFFFF:" + Path("code.bin")}, "bad load address"},
        {{"--section", "CODE:0xZZ:" + Path("code.bin")}, "bad load address"},
        {{"--section", "CODE:-1:" + Path("code.bin")}, "bad load address"},
        {{"--section", "CODE:12"}, "expected NAME:ADDR:FILE"},
        {{"--section", "CODE:12:"}, "no file"},
        {{"--section"}, "needs NAME:ADDR:FILE"},
        {seventeen, "too many sections"},
        {{"--section", "DATA:0:" + Path("code.bin")}, "no section is named CODE"},
        {{}, "at least one --section"},
        {{"--type", "256", "--section", code}, "bad number for --type"},
        {{"--version", "2", "--section", code}, "--version given more than once"},
        {{"--verbose", "--section", code}, "unknown option '--verbose'"},
    };
    for (const SCase& c : cases)
    {
        std::vector<std::string> args = base;
        args.insert(args.end(), c.mExtra.begin(), c.mExtra.end());
        const SRun run = Run(args);
        EXPECT_EQ(run.mExit, 2) << c.mMessage;
        EXPECT_NE(run.mErr.find(c.mMessage), std::string::npos) << c.mMessage << ": " << run.mErr;
        EXPECT_EQ(ReadText(fDir / "out.img"), "old") << c.mMessage;
    }

    const std::vector<std::vector<std::string>> badNumbers = {
        {"build", "-o", Path("x.img"), "--version", "65536", "--build", "1", "--section", code},
        {"build", "-o", Path("x.img"), "--version", "1.20", "--build", "1", "--section", code},
        {"build", "-o", Path("x.img"), "--version", "120", "--build", "", "--section", code},
        {"build", "-o", Path("x.img"), "--version", "120", "--build", "0x", "--section", code},
        {"build", "-o", Path("x.img"), "--version", "120", "--section", code},
        {"build", "--version", "120", "--build", "1", "--section", code},
        {"build", "-o", Path("x.img"), "--version"},
    };
    for (const std::vector<std::string>& args : badNumbers)
    {
        const SRun run = Run(args);
        EXPECT_EQ(run.mExit, 2) << run.mErr;
        EXPECT_FALSE(run.mErr.empty());
    }
    EXPECT_FALSE(fs::exists(fDir / "x.img"));
    // Nothing but the files the test made is left behind (no temporary files).
    EXPECT_EQ(std::distance(fs::directory_iterator(fDir), fs::directory_iterator()), 4);
}

TEST_F(OSImageTool, BuildWritesThroughLinksAndIntoPipesWithoutReplacingThem)
{
    WriteBytes(fDir / "code.bin", Pattern(200, 4));
    const std::string code = "CODE:0x100:" + Path("code.bin");
    COSImageBuilder expected(120, 1);
    expected.AddSection("CODE", 0x100, Pattern(200, 4));

    // A link to an image stays a link; the image it names is replaced.
    WriteBytes(fDir / "real.img", {'o', 'l', 'd'});
    fs::create_symlink(fDir / "real.img", fDir / "link.img");
    SRun run = Run(
        {"build", "-o", Path("link.img"), "--version", "120", "--build", "1", "--section", code});
    ASSERT_EQ(run.mExit, 0) << run.mErr;
    EXPECT_TRUE(fs::is_symlink(fDir / "link.img"));
    EXPECT_EQ(ReadBytes(fDir / "real.img"), expected.Build());

    // A pipe receives the image and is still a pipe afterwards.
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    const int reader = open(Path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    run = Run({"build", "-o", Path("pipe"), "--version", "120", "--build", "1", "--section", code});
    EXPECT_EQ(run.mExit, 0) << run.mErr;
    std::vector<uint8_t> received(4096);
    const ssize_t n = read(reader, received.data(), received.size());
    close(reader);
    received.resize(n > 0 ? static_cast<size_t>(n) : 0);
    EXPECT_EQ(received, expected.Build());
    EXPECT_EQ(fs::status(fDir / "pipe").type(), fs::file_type::fifo);

    // A folder is refused, not replaced.
    fs::create_directory(fDir / "folder");
    run =
        Run({"build", "-o", Path("folder"), "--version", "120", "--build", "1", "--section", code});
    EXPECT_EQ(run.mExit, 2);
    EXPECT_NE(run.mErr.find("folder"), std::string::npos) << run.mErr;
    EXPECT_TRUE(fs::is_directory(fDir / "folder"));
}

TEST_F(OSImageTool, AllowNoCodeBuildsAnImageTheCheckRejects)
{
    WriteBytes(fDir / "data.bin", Pattern(64, 5));
    const SRun build = Run({"build", "-o", Path("nocode.img"), "--version", "0x7B", "--build", "3",
                            "--allow-no-code", "--section", "DATA:0:" + Path("data.bin")});
    ASSERT_EQ(build.mExit, 0) << build.mErr;
    const SRun check = Run({"check", Path("nocode.img")});
    EXPECT_EQ(check.mExit, 1);
    EXPECT_NE(check.mOut.find("OS version 1.23, build 3"), std::string::npos);
    EXPECT_EQ(LastLine(check.mOut), "Not installable: no \"CODE\" section");
}

TEST_F(OSImageTool, HelpExplainsBothCommands)
{
    const SRun help = Run({"--help"});
    EXPECT_EQ(help.mExit, 0);
    EXPECT_NE(help.mOut.find("check FILE"), std::string::npos);
    EXPECT_NE(help.mOut.find("--section NAME:ADDR:FILE"), std::string::npos);
    EXPECT_NE(help.mOut.find("--allow-no-code"), std::string::npos);
}

TEST(OSImageToolNumbers, DecimalAndHexWithinRange)
{
    uint32_t v = 0;
    EXPECT_TRUE(COSImageTool::ParseNumber("0", 10, v) && v == 0);
    EXPECT_TRUE(COSImageTool::ParseNumber("0xFFFFFFFF", 0xFFFFFFFF, v) && v == 0xFFFFFFFFu);
    EXPECT_TRUE(COSImageTool::ParseNumber("0X1f", 0xFF, v) && v == 31);
    EXPECT_TRUE(COSImageTool::ParseNumber("65535", 0xFFFF, v) && v == 65535);
    for (const char* bad :
         {"", "0x", "65536", "+1", "-1", " 1", "1 ", "12a", "0x100000000", "99999999999999999999"})
        EXPECT_FALSE(COSImageTool::ParseNumber(bad, 0xFFFF, v)) << bad;
}
