// kelt-rsrc: the description compiler record by record, its error messages, and
// build / list / extract round trips through the program itself.

#include "platform/resources/CResourceFork.h"
#include "tools/rsrc/CResourceSource.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
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

struct SRun
{
    int mStatus;
    std::string mOut;
};

SRun RunTool(const std::string& arguments)
{
    const std::string command = std::string(KELT_RSRC_TOOL) + " " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0)
        out.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class ToolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kelt-tool-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        fDir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(fDir); }
    std::string Put(const std::string& name, const std::string& text)
    {
        std::ofstream(fDir + "/" + name, std::ios::binary) << text;
        return fDir + "/" + name;
    }
    std::string fDir;
};

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

// Found by fuzzing: a folder named as a file's contents ended the program with an
// uncaught stream exception, and a device such as /dev/zero was read without end.
TEST(ResourceSource, FileContentsComeOnlyFromRegularFiles)
{
    const std::string folder = CompileError("\nresource TQOS 1 file \"\"\n");
    EXPECT_EQ(folder, "test.rdesc:2: ./ is not a regular file");
    EXPECT_EQ(CompileError("resource TQOS 1 file \"/dev/zero\""),
              "test.rdesc:1: /dev/zero is not a regular file");

    const std::string fifo = testing::TempDir() + "/kelt-rsrc-fifo";
    std::remove(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_NE(CompileError("resource TQOS 1 file \"" + fifo + "\"").find("is not a regular file"),
              std::string::npos);
    std::remove(fifo.c_str());

    const std::string big = testing::TempDir() + "/kelt-rsrc-big";
    std::ofstream(big, std::ios::binary).put('x');
    ASSERT_EQ(truncate(big.c_str(), off_t{CResourceFork::kMaxDataArea} + 1), 0);
    EXPECT_NE(CompileError("resource TQOS 1 file \"" + big + "\"").find("is too large"),
              std::string::npos);
    ASSERT_EQ(truncate(big.c_str(), 3), 0);
    CResourceSource source;
    source.Compile("resource TQOS 1 file \"" + big + "\"", "t.rdesc", ".");
    EXPECT_EQ(Get(source, "TQOS", 1).mData, (Bytes{'x', 0, 0}));
    std::remove(big.c_str());
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
    EXPECT_EQ(RunTool("list " + fDir + "/missing.rsrc").mStatus, 1);

    const std::string source =
        Put("bad.rdesc", "resource TQOS 1 text \"a\"\nresource TQOS 1 text \"b\"\n");
    const std::string out = fDir + "/never.rsrc";
    run = RunTool("build -o " + out + " " + source);
    EXPECT_EQ(run.mStatus, 1);
    EXPECT_NE(run.mOut.find("bad.rdesc:2:"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_FALSE(std::filesystem::exists(out + ".tmp"));
}
