// Dialog layouts: decoding of descriptions and item lists as the resource layer
// hands them over, refusal of records that run past their end, and loading both
// from the application's resource file.

#include "framework/application/CLowLevelApplication.h"
#include "framework/files/XBase.h"
#include "framework/windows/CDialogResource.h"
#include "platform/files/CPosixFiles.h"
#include "platform/resources/CResourceFork.h"
#include "platform/resources/CResourceManager.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace NSWayfarer;

namespace
{

using Bytes = std::vector<uint8_t>;

struct SItem
{
    uint8_t mType;
    std::string mData;
    int16_t mTop = 1;
};

// 16-bit values in host order, or big-endian as a resource file stores them.
void Put16(Bytes& out, int16_t v, bool stored)
{
    const uint16_t u = stored ? uint16_t((uint16_t(v) << 8) | (uint16_t(v) >> 8)) : uint16_t(v);
    out.insert(out.end(), {uint8_t(u & 0xFF), uint8_t(u >> 8)});
}

Bytes Dialog(const std::string& title, bool stored = false, int16_t itemList = 300)
{
    Bytes d;
    for (int16_t v : {10, 20, 160, 460, 4}) // top, left, bottom, right, kind
        Put16(d, v, stored);
    d.insert(d.end(), {1, 0, 1, 0, 0, 0, 0, 7}); // flags, pads, reference value
    Put16(d, itemList, stored);
    d.push_back(uint8_t(title.size()));
    d.insert(d.end(), title.begin(), title.end());
    return d;
}

Bytes Items(const std::vector<SItem>& items, bool stored = false)
{
    Bytes d;
    Put16(d, int16_t(items.size() - 1), stored);
    for (const SItem& item : items)
    {
        d.insert(d.end(), {0xDE, 0xAD, 0xBE, 0xEF});
        for (int16_t v : {item.mTop, int16_t(2), int16_t(30), int16_t(40)})
            Put16(d, v, stored);
        d.push_back(item.mType);
        d.push_back(uint8_t(item.mData.size()));
        d.insert(d.end(), item.mData.begin(), item.mData.end());
        if (item.mData.size() % 2 == 1)
            d.push_back('Z'); // pad byte, never part of the text
    }
    return d;
}

// Each part in a block of exactly its size, so AddressSanitizer reports any
// read past its end.
std::unique_ptr<CDialogResource> Decode(const Bytes& dialog, const Bytes& items)
{
    const std::unique_ptr<uint8_t[]> d(new uint8_t[dialog.size()]);
    const std::unique_ptr<uint8_t[]> i(new uint8_t[items.size()]);
    std::copy(dialog.begin(), dialog.end(), d.get());
    std::copy(items.begin(), items.end(), i.get());
    return std::make_unique<CDialogResource>(d.get(), long(dialog.size()), i.get(),
                                             long(items.size()));
}

// The item kind of a type byte's low seven bits, by ranges.
CDialogItemInfo::EType Expected(unsigned kind)
{
    if (kind == 0)
        return CDialogItemInfo::kUserItem;
    if (kind >= 64)
        return CDialogItemInfo::kPicture;
    if (kind >= 32)
        return CDialogItemInfo::kIcon;
    if (kind >= 16)
        return CDialogItemInfo::kEditText;
    if (kind >= 8)
        return CDialogItemInfo::kStaticText;
    const CDialogItemInfo::EType controls[] = {
        CDialogItemInfo::kPushButton, CDialogItemInfo::kCheckBox, CDialogItemInfo::kRadioButton};
    return kind >= 4 && kind <= 6 ? controls[kind - 4] : CDialogItemInfo::kUnknown;
}

} // namespace

TEST(DialogResource, EveryTypeByteAndItsData)
{
    for (unsigned byte = 0; byte < 256; ++byte)
    {
        SCOPED_TRACE(byte);
        const auto r = Decode(Dialog("T"), Items({{uint8_t(byte), "\x34\x12x"}}));
        ASSERT_EQ(r->CountItems(), 1u); // a count of 0 holds one item
        const CDialogItemInfo* item = r->GetDialogItemInfo(1);
        const CDialogItemInfo::EType type = Expected(byte & 0x7F);
        EXPECT_EQ(item->fType, type);
        EXPECT_EQ(item->fEnableFlag, byte < 0x80);
        const bool text =
            type >= CDialogItemInfo::kPushButton && type <= CDialogItemInfo::kEditText;
        EXPECT_STREQ(item->fString, text ? "\x34\x12x" : "");
        const bool id = type == CDialogItemInfo::kIcon || type == CDialogItemInfo::kPicture;
        EXPECT_EQ(item->fContentsResourceID, id ? 0x1234 : -1);
    }
    // An icon without room for its id has none.
    EXPECT_EQ(
        Decode(Dialog("T"), Items({{0x20, "\x07"}}))->GetDialogItemInfo(1)->fContentsResourceID,
        -1);
}

TEST(DialogResource, OddLengthsArePaddedAndItemsNumberedInOrder)
{
    const auto r = Decode(Dialog(""), Items({{0x88, "a", 1},
                                             {0x08, "abc", 2},
                                             {0x04, "", 3},
                                             {0xA0, "\xFB\xFF", 4},
                                             {0x04, "OK", 5}}));
    ASSERT_EQ(r->CountItems(), 5u);
    const char* texts[] = {"a", "abc", "", "", "OK"};
    for (short n = 1; n <= 5; ++n)
    {
        const CDialogItemInfo* item = r->GetDialogItemInfo(n);
        EXPECT_EQ(item->fItemID, n);
        EXPECT_EQ(item->fRect.fTop, n); // found where its predecessor ended
        EXPECT_STREQ(item->fString, texts[n - 1]);
    }
    EXPECT_FALSE(r->GetDialogItemInfo(1)->fEnableFlag);
    EXPECT_EQ(r->GetDialogItemInfo(4)->fContentsResourceID, -5);
    EXPECT_EQ(r->GetDialogItemInfo(0), nullptr);
    EXPECT_EQ(r->GetDialogItemInfo(6), nullptr);
    char title[CDialogResource::kMaxTitleLength + 1] = "#";
    r->GetTitle(title);
    EXPECT_STREQ(title, "");
}

TEST(DialogResource, EveryTruncationIsRefusedWithoutReadingOutside)
{
    const Bytes dialog = Dialog("Title");
    // The last text has an odd length: only its pad byte may be missing.
    const Bytes items = Items({{0x08, "Hi"}, {0xA0, "\x09\x00"}, {0x04, "Yes"}});
    for (std::size_t n = 0; n < dialog.size(); ++n)
        EXPECT_THROW(Decode(Bytes(dialog.begin(), dialog.begin() + long(n)), items), XBadFormat)
            << n;
    for (std::size_t n = 0; n + 1 < items.size(); ++n)
        EXPECT_THROW(Decode(dialog, Bytes(items.begin(), items.begin() + long(n))), XBadFormat)
            << n;
    const auto withoutPad = Decode(dialog, Bytes(items.begin(), items.end() - 1));
    EXPECT_STREQ(withoutPad->GetDialogItemInfo(3)->fString, "Yes");

    // One item more than there are, and the largest count there can be.
    for (uint16_t count : {3, 0xFFFF})
    {
        Bytes lying = items;
        std::memcpy(lying.data(), &count, 2);
        EXPECT_THROW(Decode(dialog, lying), XBadFormat) << count;
    }
}

TEST(DialogResource, LongTitlesAndTextsAreCutAtTheirFields)
{
    const std::string title(200, 't');
    const std::string text(255, 'x');
    const auto r = Decode(Dialog(title), Items({{0x08, text}, {0x04, "OK"}}));
    char shown[CDialogResource::kMaxTitleLength + 1];
    r->GetTitle(shown);
    EXPECT_EQ(shown, title.substr(0, 128));
    EXPECT_EQ(r->GetDialogItemInfo(1)->fString, text.substr(0, 240));
    EXPECT_STREQ(r->GetDialogItemInfo(2)->fString, "OK"); // the whole text was skipped
}

TEST(DialogResource, LoadsFromTheApplicationsResourceFile)
{
    // Stored big-endian, as resource files keep them; the resource layer turns
    // them into host order.
    NSPlatform::CResourceFork fork;
    auto add = [&](const char* type, int16_t id, const Bytes& bytes)
    {
        NSPlatform::SResourceEntry entry;
        entry.mType = NSPlatform::CResourceFork::PackCode(type);
        entry.mID = id;
        entry.mData = bytes;
        fork.Add(entry);
    };
    add("DLOG", 200, Dialog("Loaded", true));
    add("DITL", 300, Items({{0x04, "Go", 100}, {0xA0, "\x01\x02"}}, true));
    add("DLOG", 201, Bytes(20, 0));
    add("DLOG", 202, Dialog("No list", true, 301));
    std::vector<uint8_t> image;
    std::string why;
    ASSERT_EQ(fork.Serialize(&image, &why), NSPlatform::kNoErr);
    const int16_t ref = NSPlatform::CResourceManager::OpenResImage(image.data(), image.size());
    ASSERT_NE(ref, NSPlatform::CResourceManager::kNoFile);
    NSPlatform::SNativeFileSpec self;
    NSPlatform::CPosixFiles::GetExecutableSpec(&self);
    {
        const CLowLevelApplication application("Dialogs", CFileSpec(self), ref);
        const CDialogResource r(nullptr, 200);
        EXPECT_EQ(r.GetClientRect().GetWidth(), 440);
        EXPECT_EQ(r.GetClientRect().GetHeight(), 150);
        ASSERT_EQ(r.CountItems(), 2u);
        EXPECT_EQ(r.GetDialogItemInfo(1)->fRect.fTop, 100);
        EXPECT_STREQ(r.GetDialogItemInfo(1)->fString, "Go");
        EXPECT_EQ(r.GetDialogItemInfo(2)->fContentsResourceID, 0x0102);

        EXPECT_THROW(CDialogResource(nullptr, 199), XNotFound);  // no description
        EXPECT_THROW(CDialogResource(nullptr, 201), XBadFormat); // too short
        EXPECT_THROW(CDialogResource(nullptr, 202), XNotFound);  // no item list
    }
    NSPlatform::CResourceManager::CloseResFile(ref);
}
