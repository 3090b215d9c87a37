// The resource-file format and the resource calls of the platform layer.

#include "platform/resources/CMemoryHandles.h"
#include "platform/resources/CResourceFork.h"
#include "platform/resources/CResourceManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace NSPlatform;

namespace
{

SResourceEntry Entry(const char* type, int16_t id, std::vector<uint8_t> data,
                     const char* name = nullptr)
{
    SResourceEntry entry;
    entry.mType = CResourceFork::PackCode(type);
    entry.mID = id;
    entry.mData = std::move(data);
    if (name != nullptr)
    {
        entry.mHasName = true;
        entry.mName = name;
    }
    return entry;
}

std::vector<uint8_t> Write(const CResourceFork& fork)
{
    std::vector<uint8_t> bytes;
    std::string why;
    EXPECT_EQ(fork.Serialize(&bytes, &why), kNoErr) << why;
    return bytes;
}

} // namespace

TEST(ResourceFork, WriteAndReadBackNamesAttributesAndOrder)
{
    CResourceFork fork;
    fork.SetFileAttributes(0x0080);
    EXPECT_TRUE(fork.Add(Entry("ZZZZ", 3, {3}, "third")));
    EXPECT_TRUE(fork.Add(Entry("AAAA", -1, {1, 2}, "")));
    EXPECT_TRUE(fork.Add(Entry("ZZZZ", 1, {})));
    EXPECT_FALSE(fork.Add(Entry("ZZZZ", 1, {9})));
    const std::vector<uint8_t> bytes = Write(fork);
    EXPECT_EQ(bytes[3], 0); // data at offset 256
    EXPECT_EQ(bytes[2], 1);

    CResourceFork back;
    std::string why;
    ASSERT_EQ(CResourceFork::Parse(bytes.data(), bytes.size(), &back, &why), kNoErr) << why;
    EXPECT_EQ(back.GetFileAttributes(), 0x0080);
    ASSERT_EQ(back.GetEntries().size(), 3u);
    EXPECT_EQ(back.GetEntries()[0].mType, CResourceFork::PackCode("AAAA"));
    EXPECT_EQ(back.GetEntries()[1].mID, 1);
    const SResourceEntry* third = back.Find(CResourceFork::PackCode("ZZZZ"), 3);
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->mName, "third");
    EXPECT_TRUE(back.Find(CResourceFork::PackCode("AAAA"), -1)->mHasName);
    EXPECT_FALSE(back.Find(CResourceFork::PackCode("ZZZZ"), 1)->mHasName);
    EXPECT_EQ(Write(back), bytes); // the same contents give the same bytes

    CResourceFork empty;
    const std::vector<uint8_t> none = Write(empty);
    ASSERT_EQ(CResourceFork::Parse(none.data(), none.size(), &back, &why), kNoErr);
    EXPECT_TRUE(back.GetEntries().empty());
    EXPECT_EQ(CResourceFork::CodeToString(CResourceFork::PackCode("BMP")), "BMP ");
}

namespace
{

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

// A hand-made file: `types` type entries that all name the same reference
// list of `refs` resources, each with a 1-byte item of its own, or all
// pointing at one single item when `shareBytes`. `padding` zero bytes end
// both the data area and the map, room enough to hide any overlap from a
// count of bytes.
std::vector<uint8_t> SharedFile(int types, int refs, bool shareBytes, std::size_t padding = 0)
{
    std::vector<uint8_t> data;
    for (int r = 0; r < (shareBytes ? 1 : refs); ++r)
        data.insert(data.end(), {0, 0, 0, 1, 'x'});
    data.resize(data.size() + padding, 0);
    std::vector<uint8_t> map(16, 0);
    Put(map, 0, 4);
    Put(map, 0, 2);
    Put(map, 0, 2);
    Put(map, 28, 2);                                       // type list offset
    Put(map, uint32_t(28 + 2 + 8 * types + 12 * refs), 2); // name list offset
    Put(map, uint32_t(types - 1), 2);
    for (int t = 0; t < types; ++t)
    {
        Put(map, 0x41414141u + uint32_t(t), 4);
        Put(map, uint32_t(refs - 1), 2);
        Put(map, uint32_t(2 + 8 * types), 2); // every type: the same list
    }
    for (int r = 0; r < refs; ++r)
    {
        Put(map, uint32_t(r), 2);
        Put(map, 0xFFFF, 2);
        Put(map, 0, 1);
        Put(map, shareBytes ? 0 : uint32_t(5 * r), 3);
        Put(map, 0, 4);
    }
    map.resize(map.size() + padding, 0);
    std::vector<uint8_t> file;
    Put(file, 16, 4);
    Put(file, uint32_t(16 + data.size()), 4);
    Put(file, uint32_t(data.size()), 4);
    Put(file, uint32_t(map.size()), 4);
    file.insert(file.end(), data.begin(), data.end());
    file.insert(file.end(), map.begin(), map.end());
    return file;
}

} // namespace

TEST(ResourceFork, SharedListsAndBytesAreDamage)
{
    CResourceFork fork;
    std::string why;
    const std::vector<uint8_t> single = SharedFile(1, 1, false);
    ASSERT_EQ(CResourceFork::Parse(single.data(), single.size(), &fork, &why), kNoErr) << why;
    ASSERT_EQ(fork.GetEntries().size(), 1u);
    EXPECT_EQ(fork.GetEntries()[0].mData, std::vector<uint8_t>{'x'});

    // A few kilobytes that would otherwise unfold into 90000 resources.
    const std::vector<uint8_t> lists = SharedFile(300, 300, false);
    EXPECT_EQ(CResourceFork::Parse(lists.data(), lists.size(), &fork, &why), kMapReadErr);
    EXPECT_NE(why.find("overlap"), std::string::npos) << why;
    EXPECT_TRUE(fork.GetEntries().empty());

    const std::vector<uint8_t> bytes = SharedFile(1, 2, true);
    EXPECT_EQ(CResourceFork::Parse(bytes.data(), bytes.size(), &fork, &why), kMapReadErr);
    EXPECT_NE(why.find("shares its bytes"), std::string::npos) << why;

    // Padding makes room for every copy, but the copies still overlap.
    for (const std::vector<uint8_t>& padded :
         {SharedFile(20, 20, false, 12 * 400), SharedFile(1, 20, true, 5 * 20)})
    {
        why.clear();
        EXPECT_EQ(CResourceFork::Parse(padded.data(), padded.size(), &fork, &why), kMapReadErr);
        EXPECT_TRUE(why.find("overlap") != std::string::npos ||
                    why.find("shares its bytes") != std::string::npos)
            << why;
        EXPECT_EQ(CResourceManager::OpenResImage(padded.data(), padded.size()),
                  CResourceManager::kNoFile);
    }
    const std::vector<uint8_t> paddedSingle = SharedFile(1, 1, false, 100);
    EXPECT_EQ(CResourceFork::Parse(paddedSingle.data(), paddedSingle.size(), &fork, &why), kNoErr)
        << why;
}

namespace
{

uint32_t Get(const std::vector<uint8_t>& bytes, std::size_t at, int count)
{
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = (value << 8) | bytes[at + std::size_t(i)];
    return value;
}

void Set(std::vector<uint8_t>& bytes, std::size_t at, uint32_t value, int count)
{
    for (int i = count - 1; i >= 0; --i, value >>= 8)
        bytes[at + std::size_t(i)] = uint8_t(value);
}

// Where the parts of a written one-resource file lie.
struct SOneResource
{
    explicit SOneResource(const std::vector<uint8_t>& file)
        : mDataOffset(Get(file, 0, 4)), mMapOffset(Get(file, 4, 4)), mDataLength(Get(file, 8, 4)),
          mMapLength(Get(file, 12, 4)), mNameList(Get(file, mMapOffset + 26, 2)),
          mRef(mMapOffset + Get(file, mMapOffset + 24, 2) + 2 + 8)
    {
    }
    std::size_t mDataOffset, mMapOffset, mDataLength, mMapLength, mNameList, mRef;
};

// Refused with a reason that names the check; the reason tells apart two checks
// that refuse the same file.
void ExpectRefused(const std::vector<uint8_t>& file, const char* reason)
{
    CResourceFork fork;
    std::string why;
    EXPECT_NE(CResourceFork::Parse(file.data(), file.size(), &fork, &why), kNoErr) << reason;
    EXPECT_NE(why.find(reason), std::string::npos) << why;
}

} // namespace

TEST(ResourceFork, NamesAndDataMayEndExactlyAtTheirAreaAndNotOneByteLater)
{
    CResourceFork one;
    one.Add(Entry("DATA", 1, {1, 2, 3}, "tail"));
    const std::vector<uint8_t> named = Write(one);
    const SOneResource at(named);
    // As written, the only name ends the map and the only data ends the data area.
    ASSERT_EQ(at.mNameList + 1 + 4, at.mMapLength);
    ASSERT_EQ(Get(named, at.mDataOffset, 4) + 4, at.mDataLength);
    CResourceFork back;
    std::string why;
    ASSERT_EQ(CResourceFork::Parse(named.data(), named.size(), &back, &why), kNoErr) << why;
    EXPECT_EQ(back.GetEntries()[0].mName, "tail");

    std::vector<uint8_t> longName = named;
    longName[at.mMapOffset + at.mNameList] = 5;
    ExpectRefused(longName, "name of 'DATA' 1 outside the resource map");
    // The name's length byte itself just past the map.
    std::vector<uint8_t> nameAtEnd = named;
    Set(nameAtEnd, at.mRef + 2, uint32_t(at.mMapLength - at.mNameList), 2);
    ExpectRefused(nameAtEnd, "name of 'DATA' 1 outside the resource map");

    std::vector<uint8_t> longData = named;
    Set(longData, at.mDataOffset, 4, 4);
    ExpectRefused(longData, "'DATA' 1 runs past the end of the data area");

    // An empty resource: its length field alone fills the data area, and moved on by one
    // to four bytes it reaches past it.
    CResourceFork empty;
    empty.Add(Entry("NONE", 1, {}));
    const std::vector<uint8_t> bare = Write(empty);
    const SOneResource bareAt(bare);
    ASSERT_EQ(bareAt.mDataLength, 4u);
    ASSERT_EQ(CResourceFork::Parse(bare.data(), bare.size(), &back, &why), kNoErr) << why;
    for (uint32_t offset = 1; offset <= 4; ++offset)
    {
        SCOPED_TRACE(offset);
        std::vector<uint8_t> moved = bare;
        Set(moved, bareAt.mRef + 5, offset, 3);
        ExpectRefused(moved, "'NONE' 1 points outside the data area");
    }
}

TEST(ResourceFork, RefusesWhatDoesNotFit)
{
    CResourceFork fork;
    fork.Add(Entry("BIG ", 1, std::vector<uint8_t>(CResourceFork::kMaxDataArea)));
    std::vector<uint8_t> bytes;
    std::string why;
    EXPECT_EQ(fork.Serialize(&bytes, &why), kParamErr);
    EXPECT_NE(why.find("16 MiB"), std::string::npos);
}

TEST(ResourceManager, CurrentFileAndStringLists)
{
    CResourceFork a;
    a.Add(Entry("STR#", 128, {0, 2, 3, 'o', 'n', 'e', 200, 'x'})); // second entry runs past the end
    CResourceFork b;
    b.Add(Entry("DATA", 1, {5}));
    const std::vector<uint8_t> imageA = Write(a), imageB = Write(b);
    const int16_t refA = CResourceManager::OpenResImage(imageA.data(), imageA.size());
    const int16_t refB = CResourceManager::OpenResImage(imageB.data(), imageB.size());
    EXPECT_EQ(CResourceManager::CurResFile(), refB); // opening makes a file current

    EXPECT_EQ(CResourceManager::Get1Resource(CResourceFork::PackCode("STR#"), 128), nullptr);
    EXPECT_EQ(CResourceManager::ResError(), kResNotFoundErr);
    CResourceManager::UseResFile(refA);
    unsigned char text[256];
    CResourceManager::GetIndString(text, 128, 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]), "one");
    CResourceManager::GetIndString(text, 128, 2);
    EXPECT_EQ(text[0], 0);
    CResourceManager::GetIndString(text, 128, 3);
    EXPECT_EQ(text[0], 0);

    THandle handle = CResourceManager::Get1Resource(CResourceFork::PackCode("STR#"), 128);
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(CMemoryHandles::IsResource(handle));
    EXPECT_EQ(CMemoryHandles::GetHandleSize(handle), 8);
    CResourceManager::ReleaseResource(handle);
    EXPECT_EQ(CResourceManager::ResError(), kNoErr);

    // Closing the current file makes the one opened last current.
    CResourceManager::UseResFile(refB);
    CResourceManager::CloseResFile(refB);
    EXPECT_EQ(CResourceManager::CurResFile(), refA);
    CResourceManager::CloseResFile(refA);
    EXPECT_EQ(CResourceManager::CurResFile(), CResourceManager::kNoFile);
    EXPECT_EQ(CResourceManager::Get1Resource(CResourceFork::PackCode("DATA"), 1), nullptr);
    EXPECT_EQ(CResourceManager::ResError(), kResFileNotFoundErr);
    CResourceManager::UseResFile(refA);
    EXPECT_EQ(CResourceManager::ResError(), kResFileNotFoundErr);
}

TEST(ResourceManager, TruncatedItemListsConvertOnlyWhatIsThere)
{
    // Count says three items; only one and a half are present.
    std::vector<uint8_t> ditl = {0, 2, 0,  0, 0,    0,    0, 1, 0, 2, 0, 3,
                                 0, 4, 64, 2, 0x12, 0x34, 0, 0, 0, 0, 0, 9};
    CResourceManager::DialogToHostOrder(CResourceFork::PackCode("DITL"), ditl.data(), ditl.size());
    EXPECT_EQ(ditl[0], 2);
    EXPECT_EQ(ditl[6], 1);
    EXPECT_EQ(ditl[16], 0x34); // picture id swapped
    EXPECT_EQ(ditl[22], 0);    // the partial item is left alone
    EXPECT_EQ(ditl[23], 9);

    // A control item's data is its control's resource id; a button's is text.
    std::vector<uint8_t> items = {0,    1, 0, 0, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 7, 2,   0x12,
                                  0x34, 0, 0, 0, 0, 0, 1, 0, 2, 0, 3, 0, 4, 4, 2, 'O', 'K'};
    CResourceManager::DialogToHostOrder(CResourceFork::PackCode("DITL"), items.data(),
                                        items.size());
    EXPECT_EQ(items[16], 0x34);
    EXPECT_EQ(items[17], 0x12);
    EXPECT_EQ(items[32], 'O');
}

TEST(ResourceManager, FilesAreReadOnDemandAndOversizedOnesRefused)
{
    char pattern[] = "/tmp/kelt-rsrc-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const std::string path = dir + "/r.rsrc";
    CResourceFork fork;
    fork.Add(Entry("TQOS", 128, {'o', 'l', 'd', '!'}));
    fork.Add(Entry("STR#", 128, {0, 1, 3, 'o', 'n', 'e'}));
    const std::vector<uint8_t> image = Write(fork);
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()), std::streamsize(image.size()));
    }
    const int16_t ref = CResourceManager::OpenResFile(path);
    ASSERT_NE(ref, CResourceManager::kNoFile) << CResourceManager::GetOpenFailure();

    // Only the map was read at opening: bytes changed since then are the ones a read gets.
    const auto at =
        std::search(image.begin(), image.end(), std::begin("old!"), std::begin("old!") + 4) -
        image.begin();
    {
        std::fstream patch(path, std::ios::binary | std::ios::in | std::ios::out);
        patch.seekp(at);
        patch.write("new!", 4);
    }
    THandle handle = CResourceManager::Get1Resource(CResourceFork::PackCode("TQOS"), 128);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(std::string(*handle, 4), "new!");
    CResourceManager::ReleaseResource(handle);
    unsigned char text[256];
    CResourceManager::GetIndString(text, 128, 1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(text + 1), text[0]), "one");

    // A file cut short since it was opened is an I/O error, not bytes from nowhere.
    ASSERT_EQ(truncate(path.c_str(), off_t(at)), 0);
    EXPECT_EQ(CResourceManager::Get1Resource(CResourceFork::PackCode("TQOS"), 128), nullptr);
    EXPECT_EQ(CResourceManager::ResError(), kIOErr);
    CResourceManager::CloseResFile(ref);

    // Sparse, so it costs no disk; refused from its size alone, before any byte is read.
    const std::string huge = dir + "/huge.rsrc";
    {
        std::ofstream create(huge);
    }
    ASSERT_EQ(truncate(huge.c_str(), off_t(1) << 31), 0);
    EXPECT_EQ(CResourceManager::OpenResFile(huge), CResourceManager::kNoFile);
    EXPECT_EQ(CResourceManager::ResError(), kMapReadErr);
    EXPECT_EQ(CResourceManager::GetOpenFailure(),
              "too large for a resource file (2147483648 bytes; at most 33554432)");

    EXPECT_EQ(CResourceManager::OpenResFile(dir), CResourceManager::kNoFile);
    EXPECT_EQ(CResourceManager::ResError(), kResFileNotFoundErr);
    EXPECT_EQ(CResourceManager::OpenResFile("/dev/zero"), CResourceManager::kNoFile);
    EXPECT_EQ(CResourceManager::GetOpenFailure(), "not a regular file");
    std::filesystem::remove_all(dir);
}
