// kelt-rsrc decompile: descriptions that build the same resources (awkward names, types,
// attributes and contents; typed forms only where they rebuild), stable output, data files,
// list -l, and damaged input.

#include "ToolTestSupport.h"
#include "platform/resources/CResourceFork.h"
#include "tools/rsrc/CResourceDecompiler.h"
#include "tools/rsrc/CResourceSource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using NSPlatform::CResourceFork;
using NSPlatform::SResourceEntry;
using NSResourceTool::CResourceDecompiler;
using NSResourceTool::CResourceSource;
using Bytes = std::vector<uint8_t>;

namespace
{

SResourceEntry Entry(const std::string& type, int16_t id, Bytes data)
{
    SResourceEntry entry;
    entry.mType = 0;
    for (unsigned char c : type)
        entry.mType = entry.mType << 8 | c;
    entry.mID = id;
    entry.mData = std::move(data);
    return entry;
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// The bytes a description gives for its only resource.
Bytes Built(const std::string& description)
{
    CResourceSource source;
    source.Compile(description, "typed.rdesc", ".");
    return source.GetFork().GetEntries().at(0).mData;
}

// Decompiles without a data folder, builds the description again and expects the same
// resources; a second decompile must give the same text.
std::string RoundTrip(const std::vector<SResourceEntry>& entries)
{
    CResourceDecompiler decompiler;
    const std::string text = decompiler.Decompile(entries);
    EXPECT_TRUE(decompiler.GetDataFiles().empty());
    CResourceSource source;
    try
    {
        source.Compile(text, "decompiled.rdesc", ".");
    }
    catch (const std::exception& error)
    {
        ADD_FAILURE() << error.what() << "\n" << text;
        return text;
    }
    EXPECT_EQ(CResourceDecompiler::Compare(entries, source.GetFork()), "") << text;
    EXPECT_EQ(CResourceDecompiler().Decompile(entries), text);
    return text;
}

std::vector<SResourceEntry> ReadFile(const std::string& path)
{
    const std::string bytes = ReadWhole(path);
    CResourceFork fork;
    std::string why;
    EXPECT_EQ(CResourceFork::Parse(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                   &fork, &why),
              NSPlatform::kNoErr)
        << path << ": " << why;
    return fork.GetEntries();
}

void WriteFile(const std::string& path, const std::vector<SResourceEntry>& entries)
{
    CResourceFork fork;
    for (const SResourceEntry& entry : entries)
        ASSERT_TRUE(fork.Add(entry));
    Bytes bytes;
    std::string why;
    ASSERT_EQ(fork.Serialize(&bytes, &why), NSPlatform::kNoErr) << why;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// In `dir`: decompiles `input` into out/again.rdesc (with `options`), builds it again and
// expects the resources of `input`, also on a second decompile that must write the same.
void ToolRoundTrip(const std::string& dir, const std::string& input, const std::string& options)
{
    std::filesystem::create_directories(dir + "/out");
    const std::string decompile = "decompile " + input + " -o out/again.rdesc " + options;
    SRun run = RunToolIn(dir, decompile);
    ASSERT_EQ(run.mStatus, 0) << run.mOut;
    const std::string first = ReadWhole(dir + "/out/again.rdesc");
    run = RunToolIn(dir, "build -o again.rsrc out/again.rdesc");
    ASSERT_EQ(run.mStatus, 0) << run.mOut;
    CResourceFork built;
    for (const SResourceEntry& entry : ReadFile(dir + "/again.rsrc"))
        built.Add(entry);
    EXPECT_EQ(
        CResourceDecompiler::Compare(ReadFile(input[0] == '/' ? input : dir + "/" + input), built),
        "");
    ASSERT_EQ(RunToolIn(dir, decompile).mStatus, 0);
    EXPECT_EQ(ReadWhole(dir + "/out/again.rdesc"), first);
}

} // namespace

TEST(ResourceDecompiler, AwkwardTypesNamesAttributesAndContentsRebuildExactly)
{
    const std::string types[] = {"TQOS",
                                 "BMP ",
                                 "STR#",
                                 "    ",
                                 "a'b\"",
                                 "\\$#<",
                                 "#abc",
                                 "<<ab",
                                 "A\nB\r",
                                 std::string("\x80\xFF\x01\x7F", 4),
                                 std::string("\0\0\0\0", 4),
                                 std::string("ab\0c", 4),
                                 "0x12"};
    std::string allBytes;
    for (int c = 0; c < 255; ++c)
        allBytes += char(c + 1 == 255 ? 0 : c + 1);
    const std::string names[] = {"", allBytes, "a \"quoted\" \\name\\ ${X} # not a comment",
                                 std::string(255, '}')};
    const std::size_t sizes[] = {0, 1, 31, 32, 33, 4097};
    std::vector<SResourceEntry> entries;
    int n = 0;
    for (const std::string& type : types)
    {
        for (const int16_t id : {int16_t(-32768), int16_t(32767), int16_t(0)})
        {
            Bytes data(sizes[n % 6]);
            for (std::size_t k = 0; k < data.size(); ++k)
                data[k] = uint8_t(k * 7 + std::size_t(n));
            SResourceEntry entry = Entry(type, id, data);
            // Every attribute bit alone, all of them, and none.
            entry.mAttributes = n % 10 < 8 ? uint8_t(1u << (n % 10)) : n % 10 == 8 ? 0xFF : 0;
            if (n % 5 != 4)
            {
                entry.mHasName = true;
                entry.mName = names[n % 4];
            }
            entries.push_back(entry);
            ++n;
        }
    }
    const std::string text = RoundTrip(entries);
    // Types read as written where they can, and as a number only when they hold a NUL byte.
    EXPECT_NE(text.find("resource 'BMP ' -32768 "), std::string::npos);
    EXPECT_NE(text.find("resource STR# 0 "), std::string::npos);
    EXPECT_NE(text.find("resource 0x61620063 32767 "), std::string::npos);
    EXPECT_NE(text.find("resource \"A\\nB\\r\" "), std::string::npos);
    EXPECT_NE(text.find(" attributes 0xFF "), std::string::npos);
}

TEST(ResourceDecompiler, DataFileNamesAreSafeForAnyType)
{
    EXPECT_EQ(CResourceDecompiler::DataFileName(CResourceFork::PackCode("TQOS"), 128),
              "TQOS_128.bin");
    EXPECT_EQ(CResourceDecompiler::DataFileName(CResourceFork::PackCode("BMP "), -3),
              "BMP%20_-3.bin");
    EXPECT_EQ(CResourceDecompiler::DataFileName(0x002F2E25, 0), "%00%2F%2E%25_0.bin");
    EXPECT_EQ(CResourceDecompiler::DataFileName(0x5F2DFF0A, 1), "_-%FF%0A_1.bin");
}

TEST(ResourceDecompiler, TypedFormsOnlyWhereTheyRebuildTheSameBytes)
{
    const Bytes items = Built(R"(resource DITL 1 items
    item user rect -1 -2 -3 -4
    item button rect 1 2 3 4 text "OK"
    item checkbox rect 1 2 3 4 text "odd" disabled
    item radio rect 1 2 3 4 text ""
    item control rect 1 2 3 4 id -7
    item static rect 1 2 3 4 text "}{{ a \"brace\" }"
    item edit rect 1 2 3 4 text "e" disabled
    item icon rect 1 2 3 4 id 32767
    item picture rect 1 2 3 4 id -32768 disabled
end
)");
    const Bytes dialog = Built("resource DLOG 1 dialog\n rect 0 0 196 460\n goaway yes\n"
                               " refcon -2\n items -1\n title \"even\"\nend\n");
    const Bytes version = Built("resource vers 1 version\n number 12.3.4\n stage beta\n"
                                " prerelease 7\n region 65535\n short \"1.2 build 5\"\n"
                                " long \"\\\"long\\\"\"\nend\n");
    auto with = [](Bytes bytes, std::size_t at, uint8_t value)
    {
        bytes.at(at) = value;
        return bytes;
    };
    auto plus = [](Bytes bytes, std::initializer_list<uint8_t> more)
    {
        bytes.insert(bytes.end(), more);
        return bytes;
    };
    Bytes unpadded = dialog;
    unpadded.pop_back();
    Bytes longText = Built("resource DITL 1 items\n item static rect 0 0 1 1 text \"" +
                           std::string(255, 'x') + "\"\nend\n");

    struct SCase
    {
        const char* mType;
        Bytes mData;
        const char* mExpect; // in the description, just before the resource line
    };
    const SCase cases[] = {
        {"SSTR", Text("15{About...}\n2{a\\rb}"), "text <<END\n15{About"},
        {"SSTR", Text("END\n  END2 \n{{ END3 }\n1{}}{\n"), "text <<END3\n"},
        {"SMNU", Text("\n\n1{x}\n\n"), "text <<END\n"},
        {"SALR", Text("1{a}\r\n2{b}\r"), "text \"1{a}\\r\\n2{b}\\r\"\n"},
        {"SSTR", Text(""), "text \"\""},
        {"SSTR", Text("\r" + std::string(2000, '\xFF')), "# Kept as hex: its typed form would be"},
        {"SSTR", Text(std::string("1{a\0b}", 6)), "# Kept as hex: it holds control bytes"},
        {"vers", version, "version\n    number 12.3.4\n    stage beta"},
        {"vers", with(version, 2, 0x55), "# Kept as hex: its release stage byte 0x55"},
        {"vers", with(version, 0, 0xA1), "# Kept as hex: its major version byte 0xA1"},
        {"vers", plus(version, {0}), "# Kept as hex: 1 byte after the long version"},
        {"vers", Bytes(version.begin(), version.end() - 1), "its long version runs past the end"},
        {"vers", Bytes(7), "shorter than a version record"},
        {"DLOG", dialog, "dialog\n    rect 0 0 196 460\n    procid 4\n    visible yes"},
        {"DLOG", unpadded, "# Kept as hex: no pad byte after the title"},
        {"DLOG", plus(dialog, {0, 0}), "# Kept as hex: 2 bytes after the title"},
        {"DLOG", with(dialog, dialog.size() - 1, 9), "the pad byte after its title is not zero"},
        {"DLOG", with(dialog, 10, 2), "its flag bytes are not 0 or 1"},
        {"DLOG", Bytes(dialog.begin(), dialog.begin() + 22), "its title runs past the end"},
        {"DITL", items, "items\n    item user rect -1 -2 -3 -4\n"},
        {"DITL", longText, "items\n"},
        {"DITL", with(items, 2 + 12, 0x03), "item 1 has the type byte 0x03, which is no item kind"},
        {"DITL", with(items, 2 + 1, 1), "item 1 has reserved bytes that are not zero"},
        {"DITL", with(items, 0, 9), "item 10 runs past the end"},
        {"DITL", plus(items, {1}), "1 byte after the last item"},
        {"DITL", with(items, 2 + 14 + 14 + 2 + 14 + 3, 1),
         "item 3 has a pad byte that is not zero"},
        {"DITL", Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 1, 5, 0},
         "item 1 has 1 data bytes instead of a resource id"},
        {"DITL", Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 5, 5},
         "item 1 is a user item with data"},
        {"STR#", Bytes{0, 3, 1, 'a', 0, 2, '"', '$'}, "strings\n    \"a\"\n    \"\"\n"},
        {"STR#", Bytes{0, 2, 1, 'a'}, "string 2 runs past the end"},
        {"STR#", Bytes{0, 0}, "strings\nend\n"},
        {"BNDL", Bytes{'K', 0, '"', 'U', 0, 0, 0xFF, 0xFF}, "bundle \"K\\x00\\\"U\"\n"},
        {"BNDL", Bytes{'K', 'P', 'L', 'U', 0, 0, 0, 0}, "it is more than a creator code"},
    };
    std::vector<SResourceEntry> entries;
    int16_t id = 0;
    for (const SCase& one : cases)
        entries.push_back(Entry(one.mType, ++id, one.mData));
    const std::string text = RoundTrip(entries);
    id = 0;
    for (const SCase& one : cases)
    {
        // The expected text must belong to this resource: it ends before the next one starts.
        const std::string line = "resource " + std::string(one.mType) + " " + std::to_string(++id);
        const std::size_t at = text.find(line + " ");
        ASSERT_NE(at, std::string::npos) << line;
        const std::size_t blockStart = text.rfind("\n\n", at);
        std::size_t blockEnd = at;
        do
            blockEnd = text.find("\n\n", blockEnd + 1);
        while (blockEnd != std::string::npos && text.compare(blockEnd + 2, 9, "resource ") != 0 &&
               text[blockEnd + 2] != '#');
        blockEnd = std::min(blockEnd, text.size() - 1) + 1;
        const std::string block = text.substr(blockStart, blockEnd - blockStart);
        EXPECT_NE(block.find(one.mExpect), std::string::npos) << line << ":" << block;
        EXPECT_EQ(block.find("Kept as") != std::string::npos,
                  block.find(" hex ") != std::string::npos)
            << line << ":" << block;
    }
}

TEST_F(ToolTest, ProjectResourceFileRoundTripsWithItsImageInADataFile)
{
    ToolRoundTrip(fDir, KELT_PROJECT_RSRC, "--data-dir data");
    const std::string description = ReadWhole(fDir + "/out/again.rdesc");
    // The image is far over the inline limit; the path is from the description's folder.
    EXPECT_NE(description.find("resource TQOS 128 name \"OS image\" file \"../data/TQOS_128.bin\""),
              std::string::npos)
        << description;
    for (const char* typed :
         {"resource DITL 128 items\n", "resource DLOG 10005 dialog\n", "resource vers 1 version\n",
          "resource SALR 128 text <<END\n", "resource BNDL 128 bundle \"KPLU\""})
        EXPECT_NE(description.find(typed), std::string::npos) << typed;
    EXPECT_EQ(description.find("# Kept as"), std::string::npos) << description;
}

TEST_F(ToolTest, ThousandsOfResourcesAndDataFilesStayStable)
{
    std::vector<SResourceEntry> entries;
    for (int k = 0; k < 3000; ++k)
    {
        Bytes data(std::size_t(k % 17));
        for (std::size_t b = 0; b < data.size(); ++b)
            data[b] = uint8_t(k + int(b));
        entries.push_back(Entry(k % 2 ? "DATA" : "D/. ", int16_t(k - 1500), data));
    }
    entries.push_back(Entry(std::string("\0/.%", 4), -32768, Bytes(4097, 0xA5)));
    entries.push_back(Entry("BIG ", 32767, Bytes(5000, 0x5A)));
    entries.push_back(Entry("EDGE", 1, Bytes(4096, 1))); // at the limit: stays inline
    WriteFile(fDir + "/many.rsrc", entries);

    // A relative data folder is named from the description's folder.
    ToolRoundTrip(fDir, "many.rsrc", "--data-dir=out/../data");
    std::set<std::string> files;
    for (const auto& file : std::filesystem::directory_iterator(fDir + "/data"))
        files.insert(file.path().filename().string());
    EXPECT_EQ(files, (std::set<std::string>{"%00%2F%2E%25_-32768.bin", "BIG%20_32767.bin"}));
    EXPECT_EQ(ReadWhole(fDir + "/data/BIG%20_32767.bin"), std::string(5000, 0x5A));

    // To standard output: the data folder is named as given, from the current folder.
    const SRun here = RunToolIn(fDir, "decompile many.rsrc --data-dir data2", " 2>/dev/null");
    ASSERT_EQ(here.mStatus, 0);
    EXPECT_NE(here.mOut.find(" file \"data2/BIG%20_32767.bin\"\n"), std::string::npos);
    Put("here.rdesc", here.mOut);
    ASSERT_EQ(RunToolIn(fDir, "build -o here.rsrc here.rdesc").mStatus, 0);
    CResourceFork built;
    for (const SResourceEntry& entry : ReadFile(fDir + "/here.rsrc"))
        built.Add(entry);
    EXPECT_EQ(CResourceDecompiler::Compare(entries, built), "");
}

TEST_F(ToolTest, ListLongAndBadInputMatchList)
{
    std::vector<SResourceEntry> entries = {Entry("TQOS", 128, Bytes(3)), Entry("BMP ", -1, {}),
                                           Entry("SSTR", 2, Text("1{a}"))};
    entries[0].mHasName = true;
    entries[0].mName = "OS \"image\"";
    entries[0].mAttributes = 0x20;
    entries[1].mHasName = true;
    WriteFile(fDir + "/l.rsrc", entries);
    SRun run = RunTool("list -l " + fDir + "/l.rsrc");
    EXPECT_EQ(run.mStatus, 0);
    EXPECT_EQ(run.mOut,
              "'BMP ' -1 0 0x00 \"\"\nSSTR 2 4 0x00\nTQOS 128 3 0x20 \"OS \\\"image\\\"\"\n");
    EXPECT_EQ(RunTool("list " + fDir + "/l.rsrc -l").mOut, run.mOut);

    // A damaged file, a missing one and a folder get list's message and status.
    const std::string bad = Put("bad.rsrc", std::string(40, '\x7F'));
    for (const std::string& input : {bad, fDir + "/missing.rsrc", fDir})
    {
        const SRun listed = RunTool("list " + input);
        const SRun decompiled = RunTool("decompile " + input + " -o " + fDir + "/never.rdesc");
        EXPECT_EQ(decompiled.mStatus, listed.mStatus) << input;
        EXPECT_EQ(decompiled.mOut, listed.mOut) << input;
        EXPECT_NE(listed.mOut.find(input + ": "), std::string::npos) << listed.mOut;
    }
    EXPECT_EQ(RunTool("list " + bad).mStatus, 1);
    EXPECT_FALSE(std::filesystem::exists(fDir + "/never.rdesc"));
    for (const char* usage : {"decompile", "decompile a b", "decompile a -o",
                              "decompile a --data-dir", "decompile a --data-dir=", "list -x a"})
        EXPECT_EQ(RunTool(usage).mStatus, 2) << usage;

    // A data folder that cannot be made: no description is written.
    WriteFile(fDir + "/big.rsrc", {Entry("BIG ", 1, Bytes(5000))});
    Put("taken", "a file");
    run = RunTool("decompile " + fDir + "/big.rsrc -o " + fDir + "/d.rdesc --data-dir " + fDir +
                  "/taken");
    EXPECT_EQ(run.mStatus, 2);
    EXPECT_NE(run.mOut.find(fDir + "/taken"), std::string::npos) << run.mOut;
    EXPECT_FALSE(std::filesystem::exists(fDir + "/d.rdesc"));
}
