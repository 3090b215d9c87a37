// Resource files: reading what the writer made, the current-file rule, the
// version record, indexed strings, dialogs in host order and damaged files.

#include "framework/files/CFileSpec.h"
#include "framework/files/COpenResourceFile.h"
#include "framework/files/COpenResourceItem.h"
#include "framework/files/CResourceItemSpec.h"
#include "framework/files/MacResources.h"
#include "framework/files/XBase.h"
#include "framework/media/CMemoryMedia.h"
#include "platform/resources/CResourceFork.h"
#include "platform/resources/CResourceManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <unistd.h>

using namespace NSWayfarer;
using NSPlatform::CResourceFork;
using NSPlatform::CResourceManager;
using NSPlatform::SResourceEntry;

namespace
{

using Bytes = std::vector<uint8_t>;

SResourceEntry Entry(const char* type, int16_t id, const Bytes& data)
{
    SResourceEntry entry;
    entry.mType = CResourceFork::PackCode(type);
    entry.mID = id;
    entry.mData = data;
    return entry;
}

Bytes Text(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

Bytes StringList(const std::vector<std::string>& strings)
{
    Bytes out{uint8_t(strings.size() >> 8), uint8_t(strings.size())};
    for (const std::string& s : strings)
    {
        out.push_back(uint8_t(s.size()));
        out.insert(out.end(), s.begin(), s.end());
    }
    return out;
}

Bytes Version(uint8_t major, uint8_t minorFix, uint8_t stage, const std::string& shortText)
{
    Bytes out{major, minorFix, stage, 9, 0, 0, uint8_t(shortText.size())};
    out.insert(out.end(), shortText.begin(), shortText.end());
    out.push_back(0);
    return out;
}

Bytes Serialize(const std::vector<SResourceEntry>& entries)
{
    CResourceFork fork;
    for (const SResourceEntry& entry : entries)
        EXPECT_TRUE(fork.Add(entry));
    Bytes bytes;
    std::string why;
    EXPECT_EQ(fork.Serialize(&bytes, &why), NSPlatform::kNoErr) << why;
    return bytes;
}

uint32_t Get32(const Bytes& b, std::size_t at)
{
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) |
           b[at + 3];
}

class ResourceFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/kelt-rsrc-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        fDir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(fDir); }

    CFileSpec Write(const std::string& name, const Bytes& bytes)
    {
        std::ofstream(fDir + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return CFileSpec::FromPath(fDir + "/" + name);
    }

    std::string fDir;
};

} // namespace

TEST_F(ResourceFileTest, ReadsEveryResourceAsWritten)
{
    const CFileSpec spec =
        Write("a.rsrc",
              Serialize({Entry("TQOS", 128, Text("image bytes")), Entry("BOOT", 128, Text("boot")),
                         Entry("BMP ", -5, Text("pic")), Entry("NONE", 1, {})}));
    COpenResourceFile file(&spec);
    EXPECT_TRUE(file.DoesExist("TQOS", 128));
    EXPECT_TRUE(file.DoesExist("BMP ", -5));
    EXPECT_FALSE(file.DoesExist("TQOS", 129));
    EXPECT_FALSE(file.DoesExist("ABSN", 128));
    EXPECT_EQ(file.GetSize("BOOT", 128), 4);

    std::unique_ptr<CMemoryMedia> media(file.Read("TQOS", 128));
    ASSERT_EQ(media->GetSize(), 11);
    EXPECT_EQ(0, std::memcmp(media->GetBufferPtr(), "image bytes", 11));

    unsigned char buffer[32];
    long count = 0;
    file.Read("TQOS", 128, buffer, &count, 32);
    EXPECT_EQ(count, 11);
    file.Read("TQOS", 128, buffer, &count, 5);
    EXPECT_EQ(count, 5);
    EXPECT_EQ(0, std::memcmp(buffer, "image", 5));

    // An empty resource exists but cannot be read as a stream.
    EXPECT_TRUE(file.DoesExist("NONE", 1));
    EXPECT_THROW(delete file.Read("NONE", 1), XBase);
    EXPECT_THROW(delete file.Read("NONE", 2), XNotFound);
    EXPECT_THROW(file.GetSize("NONE", 2), XNotFound);

    const CResourceItemSpec itemSpec(&spec, "TQOS", 128);
    std::unique_ptr<CMedia> item(itemSpec.CreateMedia());
    EXPECT_EQ(item->GetSize(), 11);
    char first[5] = {}, second[5] = {};
    item->Read(4, first);
    item->Read(4, second);
    EXPECT_STREQ(first, "imag");
    EXPECT_STREQ(second, "imag");
    EXPECT_EQ(item->GetPos(), 0);
}

TEST_F(ResourceFileTest, PreviousCurrentFileIsCurrentAfterEveryOperation)
{
    const CFileSpec a = Write("a.rsrc", Serialize({Entry("AAAA", 1, Text("a"))}));
    const CFileSpec b = Write("b.rsrc", Serialize({Entry("BBBB", 1, Text("b"))}));
    const int16_t refA = CResourceManager::OpenResFile(a.GetPath());
    ASSERT_NE(refA, CResourceManager::kNoFile);
    ASSERT_EQ(CResourceManager::CurResFile(), refA);
    {
        COpenResourceFile fileB(&b);
        EXPECT_EQ(CResourceManager::CurResFile(), refA);
        EXPECT_TRUE(fileB.DoesExist("BBBB", 1));
        EXPECT_FALSE(fileB.DoesExist("AAAA", 1)); // the current file only, no search
        EXPECT_EQ(CResourceManager::CurResFile(), refA);
        delete fileB.Read("BBBB", 1);
        EXPECT_EQ(CResourceManager::CurResFile(), refA);
        EXPECT_THROW(delete fileB.Read("BBBB", 2), XNotFound);
        EXPECT_EQ(CResourceManager::CurResFile(), refA);
        char text[10];
        fileB.ReadString(1, text, 9);
        EXPECT_EQ(CResourceManager::CurResFile(), refA);
        EXPECT_EQ(fileB.GetWayfarerFileVersion().GetBuild(), 666);
        EXPECT_EQ(CResourceManager::CurResFile(), refA);
    }
    EXPECT_EQ(CResourceManager::CurResFile(), refA);
    // A wrapper of the open file reads it without owning it.
    {
        COpenResourceFile wrapped(refA);
        EXPECT_TRUE(wrapped.DoesExist("AAAA", 1));
    }
    EXPECT_TRUE(COpenResourceFile(refA).DoesExist("AAAA", 1));
    CResourceManager::CloseResFile(refA);
    COpenResourceFile closed(refA);
    EXPECT_FALSE(closed.DoesExist("AAAA", 1));
    EXPECT_THROW(delete closed.Read("AAAA", 1), XFileNotFound);
}

TEST_F(ResourceFileTest, StringListsByNumber)
{
    std::vector<std::string> list128(99);
    list128[98] = "ninety-nine";
    const CFileSpec spec =
        Write("s.rsrc", Serialize({Entry("STR#", 140, StringList({"one", "two", "three is long"})),
                                   Entry("STR#", 128, StringList(list128))}));
    COpenResourceFile file(&spec);
    char text[64];
    file.ReadString(1203, text, 63);
    EXPECT_STREQ(text, "three is long");
    file.ReadString(1203, text, 5);
    EXPECT_STREQ(text, "three");
    file.ReadString(99, text, 63);
    EXPECT_STREQ(text, "ninety-nine");
    file.ReadString(1200, text, 63); // entry 0
    EXPECT_STREQ(text, "");
    file.ReadString(1204, text, 63); // past the end of the list
    EXPECT_STREQ(text, "");
    file.ReadString(500, text, 63); // no such list
    EXPECT_STREQ(text, "");
}

TEST_F(ResourceFileTest, VersionRecordAndBuildNumber)
{
    const CFileSpec spec =
        Write("v.rsrc", Serialize({Entry("vers", 1, Version(0x12, 0x34, 0x60, "1.02 build 57b"))}));
    COpenResourceFile file(&spec);
    unsigned short major, minor, fix, nonRelease;
    CFileVersion::EStage stage = CFileVersion::kRelease;
    std::unique_ptr<char[]> text(file.MacGetFileVersion(&major, &minor, &fix, &nonRelease, &stage));
    EXPECT_STREQ(text.get(), "1.02 build 57b");
    EXPECT_EQ(major, 12); // binary-coded decimal
    EXPECT_EQ(minor, 3);
    EXPECT_EQ(fix, 4);
    EXPECT_EQ(nonRelease, 9);
    EXPECT_EQ(stage, CFileVersion::kBeta);

    const CWayfarerFileVersion version = file.GetWayfarerFileVersion();
    EXPECT_EQ(version.GetBuild(), 57);
    EXPECT_EQ(version.GetMajor(), 12);
    EXPECT_EQ(version.GetStage(), CWayfarerFileVersion::kBeta);
    EXPECT_EQ(file.GetFileVersion().GetRevision(), 4);

    EXPECT_EQ(COpenResourceFile::BuildNumberFromVersionString("2.0"), 666);
    EXPECT_EQ(COpenResourceFile::BuildNumberFromVersionString("2.0 build"), 666);
    EXPECT_EQ(COpenResourceFile::BuildNumberFromVersionString("2.0 build 7"), 7);

    const CFileSpec none = Write("n.rsrc", Serialize({Entry("XXXX", 1, Text("x"))}));
    COpenResourceFile without(&none);
    const CWayfarerFileVersion unknown = without.GetWayfarerFileVersion();
    EXPECT_EQ(unknown.GetMajor(), 666);
    EXPECT_EQ(unknown.GetMinor(), 666);
    EXPECT_EQ(unknown.GetBuild(), 666);
    EXPECT_EQ(unknown.GetStage(), CWayfarerFileVersion::kRelease);
    EXPECT_THROW(without.GetFileVersion(), XNotFound);

    // A short string longer than the record is cut, not read past its end.
    Bytes lying = Version(1, 0, 0x80, "1.0");
    lying[6] = 200;
    lying.back() = 'Z';
    const CFileSpec cut = Write("c.rsrc", Serialize({Entry("vers", 1, lying)}));
    COpenResourceFile cutFile(&cut);
    std::unique_ptr<char[]> cutText(
        cutFile.MacGetFileVersion(&major, &minor, &fix, &nonRelease, &stage));
    EXPECT_EQ(std::strlen(cutText.get()), lying.size() - 7);
}

TEST_F(ResourceFileTest, DialogsComeInHostOrder)
{
    const Bytes dlog = {0, 10, 0, 20, 1, 44, 1, 144, 0, 4,   1, 0,
                        1, 0,  0, 0,  0, 0,  0, 128, 1, 'T', 0};
    const Bytes ditl = {0, 1,                                                   // two items
                        0, 0, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 4,  2, 'O',  'K',   // button
                        0, 0, 0, 0, 0, 5, 0, 6, 0, 7, 0, 8, 32, 2, 0x01, 0x02}; // icon 258
    const CFileSpec spec = Write(
        "d.rsrc",
        Serialize({Entry("DLOG", 128, dlog), Entry("DITL", 128, ditl), Entry("RAW ", 1, dlog)}));
    COpenResourceFile file(&spec);
    std::unique_ptr<CMemoryMedia> d(file.Read("DLOG", 128));
    const uint8_t* p = d->GetBufferPtr();
    int16_t top, bottom, items;
    std::memcpy(&top, p, 2);
    std::memcpy(&bottom, p + 4, 2);
    std::memcpy(&items, p + 18, 2);
    EXPECT_EQ(top, 10);
    EXPECT_EQ(bottom, 300);
    EXPECT_EQ(items, 128);
    EXPECT_EQ(p[21], 'T');

    std::unique_ptr<CMemoryMedia> list(file.Read("DITL", 128));
    const uint8_t* q = list->GetBufferPtr();
    int16_t count, right, iconID;
    std::memcpy(&count, q, 2);
    std::memcpy(&right, q + 2 + 10, 2);
    std::memcpy(&iconID, q + 2 + 16 + 14, 2);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(right, 4);
    EXPECT_EQ(iconID, 258);
    EXPECT_EQ(q[2 + 14], 'O');

    std::unique_ptr<CMemoryMedia> raw(file.Read("RAW ", 1)); // other types as stored
    EXPECT_EQ(raw->GetBufferPtr()[1], 10);
}

TEST_F(ResourceFileTest, DamagedFilesAreRejectedWithBadFormat)
{
    const Bytes good = Serialize({Entry("TQOS", 128, Text("0123456789"))});
    const uint32_t mapOffset = Get32(good, 4);
    auto expectBad = [&](const Bytes& bytes, const char* what)
    {
        const CFileSpec spec = Write("bad.rsrc", bytes);
        EXPECT_THROW(COpenResourceFile file(&spec), XBadFormat) << what;
    };
    expectBad(Bytes(good.begin(), good.begin() + 10), "truncated header");
    expectBad(Bytes(good.begin(), good.end() - 3), "truncated map");
    Bytes mapPastEnd = good;
    mapPastEnd[4] = 0x7F;
    expectBad(mapPastEnd, "map offset past the end");
    Bytes typeOverflow = good;
    typeOverflow[mapOffset + 28] = 0x00;
    typeOverflow[mapOffset + 29] = 0xFF;
    expectBad(typeOverflow, "type count overflow");
    Bytes refOutside = good;
    refOutside[mapOffset + 38 + 5] = 0x01; // data offset 0x01xxxx
    expectBad(refOutside, "reference outside the data");
    Bytes lengthOutside = good;
    lengthOutside[256] = 0x10; // the resource's own length field
    expectBad(lengthOutside, "resource length past the data");
    Bytes refListOutside = good;
    refListOutside[mapOffset + 28 + 2 + 6] = 0xFF;
    expectBad(refListOutside, "reference list outside the map");
    Bytes nameOutside = good;
    nameOutside[mapOffset + 38 + 2] = 0x10;
    nameOutside[mapOffset + 38 + 3] = 0x00;
    expectBad(nameOutside, "name outside the map");

    const CFileSpec missing = CFileSpec::FromPath(fDir + "/none.rsrc");
    EXPECT_THROW(COpenResourceFile file(&missing), XFileNotFound);
    const CFileSpec folder = CFileSpec::FromPath(fDir);
    EXPECT_THROW(COpenResourceFile file(&folder), XFileNotFound);
    // Nothing stays open or current after a refused file.
    EXPECT_EQ(CResourceManager::CurResFile(), CResourceManager::kNoFile);
}

TEST(MacHandles, LockSizeAndRelease)
{
    char** handle = MacNewLockedHandle(16);
    EXPECT_TRUE(MacIsHandleLocked(handle));
    EXPECT_EQ(MacGetHandleSize(handle), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ((*handle)[i], 0);
    MacUnlockHandle(handle);
    EXPECT_FALSE(MacIsHandleLocked(handle));
    MacLockHandle(handle);
    char** plain = handle;
    EXPECT_THROW(MacReleaseResource(&plain), XInternalError); // not a resource
    EXPECT_EQ(plain, nullptr);
    MacDeletePossiblyLockedHandle(&handle);
    EXPECT_EQ(handle, nullptr);
    MacDeletePossiblyLockedHandle(&handle); // null: nothing

    char** empty = MacNewHandle(0);
    EXPECT_THROW(MacGetHandleSize(empty), XBase);
    MacDeletePossiblyLockedHandle(&empty);
    EXPECT_THROW(MacNewHandle(-1), XMacSystemOOM);
    EXPECT_GT(MacPreflightMemory(1024), 0);
    EXPECT_THROW(MacPreflightMemory(LONG_MAX), XMacSystemOOM);
}
