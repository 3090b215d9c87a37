// kelt-rsrc: the description compiler record by record, its error messages, and
// build / list / extract round trips through the program itself.

#include "ToolTestSupport.h"
#include "platform/resources/CResourceFork.h"
#include "tools/rsrc/CResourceSource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using NSPlatform::CResourceFork;
using NSPlatform::SResourceEntry;
using NSResourceTool::CResourceSource;
using NSResourceTool::XSourceError;
using Bytes = std::vector<uint8_t>;

namespace
{

const SResourceEntry& Get(const CResourceSource& source, const char* type, int16_t id)
{
    const SResourceEntry* entry = source.GetFork().Find(CResourceFork::PackCode(type), id);
    if (entry == nullptr)
        throw std::runtime_error(std::string("missing ") + type);
    return *entry;
}

std::string CompileError(const std::string& text, std::map<std::string, std::string> defines = {})
{
    try
    {
        CResourceSource source(std::move(defines));
        source.Compile(text, "test.rdesc", ".");
    }
    catch (const XSourceError& error)
    {
        return error.what();
    }
    return "";
}

} // namespace

TEST(ResourceSource, CompilesEveryKindFieldByField)
{
    CResourceSource source(std::map<std::string, std::string>{{"WHO", "world"}});
    source.Compile(R"(# comment
resource SSTR 128 name "strings" attributes 32 text <<END
15{About...}
2{a\rb}
END
resource TEXT 1 text "hello ${WHO}\x21\t\\\$"
resource BOOT 128 hex "00 0a FF" "10"
resource 'BMP ' 5 hex <<X
 01 02
X
resource BNDL 128 bundle "KPLU"
resource STR# 140 strings
    "one" "two"
    ""
end
resource DLOG 128 dialog
    rect 1 2 300 -4
    procid 5
    goaway yes
    refcon 0x01020304
    items 129
    title "Title"
end
resource DITL 129 items
    item button rect 1 2 3 4 text "OK"
    item icon rect 5 6 7 8 id 258 disabled
    item user rect 9 10 11 12
end
)",
                   "all.rdesc", ".");
    const SResourceEntry& sstr = Get(source, "SSTR", 128);
    EXPECT_EQ(std::string(sstr.mData.begin(), sstr.mData.end()), "15{About...}\n2{a\\rb}");
    EXPECT_EQ(sstr.mName, "strings");
    EXPECT_EQ(sstr.mAttributes, 32);
    const SResourceEntry& text = Get(source, "TEXT", 1);
    EXPECT_EQ(std::string(text.mData.begin(), text.mData.end()), "hello world!\t\\$");
    EXPECT_EQ(Get(source, "BOOT", 128).mData, (Bytes{0x00, 0x0A, 0xFF, 0x10}));
    EXPECT_EQ(Get(source, "BMP ", 5).mData, (Bytes{1, 2}));
    EXPECT_EQ(Get(source, "BNDL", 128).mData, (Bytes{'K', 'P', 'L', 'U', 0, 0, 0xFF, 0xFF}));
    EXPECT_EQ(Get(source, "STR#", 140).mData, (Bytes{0, 3, 3, 'o', 'n', 'e', 3, 't', 'w', 'o', 0}));
    EXPECT_EQ(Get(source, "DLOG", 128).mData,
              (Bytes{0, 1, 0, 2, 1, 44, 0xFF, 0xFC, 0,   5,   1,   0,   1,
                     0, 1, 2, 3, 4, 0,  129,  5,    'T', 'i', 't', 'l', 'e'}));
    EXPECT_EQ(Get(source, "DITL", 129).mData,
              (Bytes{0, 2,                                                     // three items
                     0, 0, 0, 0, 0, 1, 0, 2,  0, 3,  0, 4,  4,    2, 'O', 'K', // button
                     0, 0, 0, 0, 0, 5, 0, 6,  0, 7,  0, 8,  0xA0, 2, 1,   2,   // disabled icon
                     0, 0, 0, 0, 0, 9, 0, 10, 0, 11, 0, 12, 0,    0}));        // user item
}

TEST(ResourceSource, VersionRecord)
{
    CResourceSource source;
    source.Compile("resource vers 1 version\n number 12.3.4\n stage beta\n prerelease 7\n"
                   " short \"1.2 build 5\"\n long \"L\"\nend\n",
                   "v.rdesc", ".");
    EXPECT_EQ(Get(source, "vers", 1).mData,
              (Bytes{0x12, 0x34, 0x60, 7,   0,   0,   11,  '1', '.', '2',
                     ' ',  'b',  'u',  'i', 'l', 'd', ' ', '5', 1,   'L'}));
    CResourceSource twoParts;
    twoParts.Compile("resource vers 1 version\n number 1.2\nend\n", "v.rdesc", ".");
    EXPECT_EQ(Get(twoParts, "vers", 1).mData[1], 0x20);
}

TEST(ResourceSource, NumbersAreDecimalOrHex)
{
    long value = 0;
    const std::pair<const char*, long> good[] = {{"010", 10},  {"-32768", -32768}, {"+7", 7},
                                                 {"0x1F", 31}, {"-0x10", -16},     {"0", 0}};
    for (const auto& [text, expected] : good)
    {
        ASSERT_TRUE(CResourceSource::ParseNumber(text, &value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char* text :
         {"", "-", "0x", "08x", " 1", "1 ", "--1", "0x-1", "0x0x5", "1e3", "99999999999999999999"})
        EXPECT_FALSE(CResourceSource::ParseNumber(text, &value)) << text;

    CResourceSource source;
    source.Compile("resource TQOS 010 text \"a\"\n", "n.rdesc", ".");
    EXPECT_NO_THROW(Get(source, "TQOS", 10)); // not octal 8
}

TEST(ResourceSource, MistakesNameTheirLine)
{
    EXPECT_EQ(CompileError("\nresource TQOS 1 text \"a\"\nresource TQOS 1 text \"b\"\n"),
              "test.rdesc:3: 'TQOS' 1 is defined twice");
    EXPECT_NE(
        CompileError("resource TOOLONG 1 text \"a\"").find(":1: a resource type has exactly four"),
        std::string::npos);
    EXPECT_NE(CompileError("resource TQOS 40000 text \"a\"").find("out of range"),
              std::string::npos);
    EXPECT_NE(CompileError("resource TQOS 1 magic").find("unknown contents kind"),
              std::string::npos);
    EXPECT_NE(CompileError("resource TQOS 1 text \"${NOPE}\"").find("${NOPE} is not defined"),
              std::string::npos);
    EXPECT_NE(CompileError("resource TQOS 1 hex \"abc\"").find("odd number of hex digits"),
              std::string::npos);
    EXPECT_NE(CompileError("resource DITL 1 items\n item button rect 1 2 3 4\n")
                  .find(":2: block not closed"),
              std::string::npos);
    EXPECT_NE(CompileError("resource DITL 1 items\nend\n").find("at least one item"),
              std::string::npos);
    EXPECT_NE(
        CompileError("resource DITL 1 items\n item icon rect 1 2 3 4\nend\n").find("need an id"),
        std::string::npos);
    EXPECT_NE(CompileError("resource DLOG 1 dialog\n title \"x\"\nend\n").find("needs a rect"),
              std::string::npos);
    EXPECT_NE(CompileError("resource vers 1 version\n number 1.16\nend\n").find("expected number"),
              std::string::npos);
    for (const char* number : {"1.2x", "1.2.", "1.2.3.4", "1"})
        EXPECT_NE(
            CompileError(std::string("resource vers 1 version\n number ") + number + "\nend\n")
                .find("expected number"),
            std::string::npos)
            << number;
    EXPECT_NE(CompileError("resource TQOS 1 text <<END\nno end").find("not closed by \"END\""),
              std::string::npos);
    EXPECT_NE(CompileError("resource TQOS 1 text \"open").find("unterminated string"),
              std::string::npos);
    EXPECT_NE(
        CompileError("resource TQOS 1 file \"/no/such/file\"").find("cannot read /no/such/file"),
        std::string::npos);
    EXPECT_NE(CompileError("garbage").find(":1: expected \"resource\""), std::string::npos);
}

TEST(ResourceSource, ValuesThatDoNotFitOrHoldANulAreErrors)
{
    // 4294967297 is 2^32 + 1: it must not wrap to 1.
    for (const char* number : {"4294967297.2", "1.4294967296", "1.2.4294967311", "100.0"})
        EXPECT_NE(
            CompileError(std::string("\nresource vers 1 version\n number ") + number + "\nend\n")
                .find("test.rdesc:3: expected number"),
            std::string::npos)
            << number;
    EXPECT_EQ(CompileError("resource TQOS 1 file \"payload\\x00.bin\""),
              "test.rdesc:1: a path cannot hold a NUL byte");
    EXPECT_EQ(CompileError("\nresource \"TQ\\x00S\" 1 text \"a\""),
              "test.rdesc:2: a resource type cannot hold a NUL byte");
    static const char kRawNul[] = "resource 'TQ\0S' 1 text \"a\"";
    EXPECT_EQ(CompileError(std::string(kRawNul, sizeof(kRawNul) - 1)),
              "test.rdesc:1: a resource type cannot hold a NUL byte");
}

TEST_F(ToolTest, BuildListExtractRoundTrip)
{
    Put("payload.bin", std::string("\x00\x01\x02\xFF", 4));
    const std::string source = Put("r.rdesc", "resource TQOS 128 file \"payload.bin\"\n"
                                              "resource 'BMP ' 3 text \"pic\"\n"
                                              "resource BOOT -2 text \"${X}\"\n"
                                              "resource BOOT 7 hex \"\"\n");
    const std::string out = fDir + "/out.rsrc";
    SRun run = RunTool("build -o " + out + " -D X=boot " + source);
    ASSERT_EQ(run.mStatus, 0) << run.mOut;
    run = RunTool("list " + out);
    EXPECT_EQ(run.mStatus, 0);
    EXPECT_EQ(run.mOut, "'BMP ' 3 3\nBOOT -2 4\nBOOT 7 0\nTQOS 128 4\n");
    run = RunTool("extract " + out + " TQOS 128");
    EXPECT_EQ(run.mStatus, 0);
    EXPECT_EQ(run.mOut, std::string("\x00\x01\x02\xFF", 4));
    run = RunTool("extract " + out + " BMP 3"); // short types are padded with blanks
    EXPECT_EQ(run.mOut, "pic");
    run = RunTool("extract " + out + " TQOS 129");
    EXPECT_EQ(run.mStatus, 1);
    EXPECT_NE(run.mOut.find("no resource TQOS 129"), std::string::npos);
    EXPECT_EQ(RunTool("extract " + out + " TQOS x").mStatus, 2);
    EXPECT_EQ(RunTool("extract " + out + " TQOS 0x80").mOut, std::string("\x00\x01\x02\xFF", 4));
    EXPECT_EQ(RunTool("extract " + out + " BOOT 07").mStatus, 0);
    EXPECT_EQ(RunTool("frobnicate").mStatus, 2);
}

TEST_F(ToolTest, RefusesDamagedFilesAndBadSources)
{
    const std::string bad = Put("bad.rsrc", std::string(40, '\x7F'));
    SRun run = RunTool("list " + bad);
    EXPECT_EQ(run.mStatus, 1);
    EXPECT_NE(run.mOut.find("not a valid resource file"), std::string::npos);
    EXPECT_EQ(RunTool("extract " + bad + " TQOS 128").mStatus, 1);
    EXPECT_EQ(RunTool("list " + fDir + "/missing.rsrc").mStatus, 2); // input/output error

    const std::string source =
        Put("bad.rdesc", "resource TQOS 1 text \"a\"\nresource TQOS 1 text \"b\"\n");
    const std::string out = fDir + "/never.rsrc";
    run = RunTool("build -o " + out + " " + source);
    EXPECT_EQ(run.mStatus, 1);
    EXPECT_NE(run.mOut.find("bad.rdesc:2:"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(out + ".tmp"));
}

TEST_F(ToolTest, BuildReplacesOnlyTheOutputAndWritesThroughLinksAndPipes)
{
    const std::string source = Put("r.rdesc", "resource TQOS 128 text \"image\"\n");
    const std::string expected = fDir + "/expected.rsrc";
    ASSERT_EQ(RunTool("build -o " + expected + " " + source).mStatus, 0);
    std::ifstream in(expected, std::ios::binary);
    const std::string built((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto read = [](const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(file)),
                           std::istreambuf_iterator<char>());
    };

    // A file already called OUT.tmp is someone's, and a link planted there leads elsewhere:
    // both stay as they were.
    const std::string out = fDir + "/out.rsrc";
    Put("victim", "precious");
    std::filesystem::create_symlink(fDir + "/victim", out + ".tmp");
    SRun run = RunTool("build -o " + out + " " + source);
    ASSERT_EQ(run.mStatus, 0) << run.mOut;
    EXPECT_EQ(read(out), built);
    EXPECT_EQ(read(fDir + "/victim"), "precious");
    EXPECT_TRUE(std::filesystem::is_symlink(out + ".tmp"));
    std::filesystem::remove(out + ".tmp");
    Put("out.rsrc.tmp", "mine");
    ASSERT_EQ(RunTool("build -o " + out + " " + source).mStatus, 0);
    EXPECT_EQ(read(out + ".tmp"), "mine");

    // A link as OUT stays a link; the file it names gets the resources.
    Put("real.rsrc", "old");
    std::filesystem::create_symlink("real.rsrc", fDir + "/link.rsrc");
    ASSERT_EQ(RunTool("build -o " + fDir + "/link.rsrc " + source).mStatus, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(fDir + "/link.rsrc"));
    EXPECT_EQ(read(fDir + "/real.rsrc"), built);

    // A pipe receives the file and is still a pipe afterwards.
    const std::string pipe = fDir + "/pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = read(pipe); });
    run = RunTool("build -o " + pipe + " " + source);
    reader.join();
    EXPECT_EQ(run.mStatus, 0) << run.mOut;
    EXPECT_EQ(received, built);
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    run = RunTool("build -o /dev/stdout " + source, " 2>/dev/null"); // a link to a pipe
    EXPECT_EQ(run.mStatus, 0);
    EXPECT_EQ(run.mOut, built);

    // Nothing else is left in the folder: no temporary file survives.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(fDir))
        ++entries;
    EXPECT_EQ(entries, 8u); // r.rdesc, expected, out, victim, out.rsrc.tmp, real, link, pipe
}

TEST_F(ToolTest, FoldersDevicesAndOversizedFilesAreRefusedWithTheirPath)
{
    std::filesystem::create_directory(fDir + "/folder");
    const std::string folder = fDir + "/folder";
    for (const std::string& arguments :
         {"list " + folder, "extract " + folder + " TQOS 128", "build -o " + fDir + "/o " + folder})
    {
        const SRun run = RunTool(arguments);
        EXPECT_EQ(run.mStatus, 2) << arguments << "\n" << run.mOut;
        EXPECT_NE(run.mOut.find(folder), std::string::npos) << run.mOut;
        EXPECT_NE(run.mOut.find("folder"), std::string::npos) << run.mOut;
    }
    const SRun entry =
        RunTool("build -o " + fDir + "/o " + Put("dir.rdesc", "resource TQOS 1 file \"folder\"\n"));
    EXPECT_EQ(entry.mStatus, 2) << entry.mOut;
    EXPECT_NE(entry.mOut.find("dir.rdesc:1: cannot read " + folder + ": it is a folder"),
              std::string::npos)
        << entry.mOut;

    // A device that never ends is not read at all.
    for (const std::string& arguments :
         {std::string("list /dev/zero"), std::string("build -o ") + fDir + "/o /dev/zero",
          "build -o " + fDir + "/o " + Put("zero.rdesc", "resource TQOS 1 file \"/dev/zero\"\n")})
    {
        const SRun run = RunTool(arguments);
        EXPECT_EQ(run.mStatus, 2) << arguments << "\n" << run.mOut;
        EXPECT_NE(run.mOut.find("/dev/zero: not a regular file"), std::string::npos) << run.mOut;
    }

    // An oversized file (sparse, so it costs no disk) is refused before it is read.
    const std::string huge = fDir + "/huge.rsrc";
    Put("huge.rsrc", "");
    ASSERT_EQ(truncate(huge.c_str(), off_t(1) << 31), 0);
    const SRun run = RunTool("list " + huge);
    EXPECT_EQ(run.mStatus, 2);
    EXPECT_NE(run.mOut.find(huge + ": too large for a resource file (2147483648 bytes"),
              std::string::npos)
        << run.mOut;
    EXPECT_FALSE(std::filesystem::exists(fDir + "/o"));
}

TEST_F(ToolTest, UnwritableStandardOutputIsAnError)
{
    const std::string out = fDir + "/out.rsrc";
    ASSERT_EQ(
        RunTool("build -o " + out + " " + Put("r.rdesc", "resource TQOS 1 text \"a\"\n")).mStatus,
        0);
    for (const std::string& arguments : {"list " + out, "extract " + out + " TQOS 1"})
    {
        const SRun run = RunTool(arguments, " 2>&1 >/dev/full");
        EXPECT_EQ(run.mStatus, 2) << arguments;
        EXPECT_NE(run.mOut.find("cannot write standard output: No space left on device"),
                  std::string::npos)
            << run.mOut;
    }
}
