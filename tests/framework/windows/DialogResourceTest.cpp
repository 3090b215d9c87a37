// Dialog layouts: decoding of descriptions and item lists as the resource layer
// hands them over (host order), refusal of records that run past their end, and
// loading both from the application's resource file.

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
    Bytes mData;
    int16_t mTop = 1, mLeft = 2, mBottom = 3, mRight = 4;
};

// Appends 16-bit values in host order (bigEndian false) or as stored (true).
void Put16(Bytes& out, int16_t v, bool bigEndian)
{
    uint8_t b[2];
    if (bigEndian)
    {
        b[0] = uint8_t(uint16_t(v) >> 8);
        b[1] = uint8_t(v);
    }
    else
        std::memcpy(b, &v, 2);
    out.insert(out.end(), b, b + 2);
}

Bytes Dialog(const std::string& title, int16_t itemListID = 300, bool bigEndian = false)
{
    Bytes d;
    for (int16_t v : {10, 20, 160, 460, 4}) // top, left, bottom, right, procid
        Put16(d, v, bigEndian);
    d.insert(d.end(), {1, 0, 1, 0, 0, 0, 0, 7}); // visible, pad, close box, pad, refcon
    Put16(d, itemListID, bigEndian);
    d.push_back(uint8_t(title.size()));
    d.insert(d.end(), title.begin(), title.end());
    return d;
}

Bytes Items(const std::vector<SItem>& items, bool bigEndian = false, uint8_t pad = 0)
{
    Bytes d;
    Put16(d, int16_t(items.size() - 1), bigEndian);
    for (const SItem& item : items)
    {
        d.insert(d.end(), {0xDE, 0xAD, 0xBE, 0xEF});
        for (int16_t v : {item.mTop, item.mLeft, item.mBottom, item.mRight})
            Put16(d, v, bigEndian);
        d.push_back(item.mType);
        d.push_back(uint8_t(item.mData.size()));
        d.insert(d.end(), item.mData.begin(), item.mData.end());
        if (item.mData.size() % 2 == 1)
            d.push_back(pad);
    }
    return d;
}

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

Bytes ID(int16_t id)
{
    Bytes d;
    Put16(d, id, false);
    return d;
}

// Each part is copied into a block of exactly its size, so AddressSanitizer
// reports any read past its end.
std::unique_ptr<CDialogResource> Decode(const Bytes& dialog, const Bytes& items)
{
    std::unique_ptr<uint8_t[]> d(new uint8_t[dialog.size()]);
    std::unique_ptr<uint8_t[]> i(new uint8_t[items.size()]);
    std::copy(dialog.begin(), dialog.end(), d.get());
    std::copy(items.begin(), items.end(), i.get());
    return std::make_unique<CDialogResource>(d.get(), long(dialog.size()), i.get(),
                                             long(items.size()));
}

std::string Title(const CDialogResource& r)
{
    char title[CDialogResource::kMaxTitleLength + 1];
    std::memset(title, '#', sizeof title);
    r.GetTitle(title);
    return title;
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
    if (kind == 4)
        return CDialogItemInfo::kPushButton;
    if (kind == 5)
        return CDialogItemInfo::kCheckBox;
    if (kind == 6)
        return CDialogItemInfo::kRadioButton;
    return CDialogItemInfo::kUnknown;
}

} // namespace

TEST(DialogResource, DescriptionGivesSizeTitleAndItems)
{
    const auto r = Decode(Dialog("Main window"),
                          Items({{0x08, Text("Hello"), 16, 20, 34, 440}, {0x04, Text("OK")}}));
    EXPECT_EQ(r->GetClientRect().GetWidth(), 440);
    EXPECT_EQ(r->GetClientRect().GetHeight(), 150);
    EXPECT_EQ(Title(*r), "Main window");
    ASSERT_EQ(r->CountItems(), 2u);
    const CDialogItemInfo* first = r->GetDialogItemInfo(1);
    ASSERT_NE(first, nullptr);
    const CLocalRect expected(20, 16, 440, 34);
    EXPECT_TRUE(first->fRect.IsEqual(&expected));
    EXPECT_STREQ(first->fString, "Hello");
    EXPECT_EQ(r->GetDialogItemInfo(2)->fItemID, 2);
    EXPECT_STREQ(r->GetDialogItemInfo(2)->fString, "OK");
    EXPECT_EQ(r->GetDialogItemInfo(0), nullptr);
    EXPECT_EQ(r->GetDialogItemInfo(3), nullptr);

    const auto untitled = Decode(Dialog(""), Items({{0x00, {}}}));
    EXPECT_EQ(Title(*untitled), "");
    EXPECT_EQ(untitled->CountItems(), 1u); // a count of 0 holds one item
}

TEST(DialogResource, EveryTypeByteAndItsData)
{
    for (unsigned byte = 0; byte < 256; ++byte)
    {
        SCOPED_TRACE(byte);
        const auto r = Decode(Dialog("T"), Items({{uint8_t(byte), {0x34, 0x12, 'x'}}}));
        const CDialogItemInfo* item = r->GetDialogItemInfo(1);
        ASSERT_NE(item, nullptr);
        const CDialogItemInfo::EType type = Expected(byte & 0x7F);
        EXPECT_EQ(item->fType, type);
        EXPECT_EQ(item->fEnableFlag, byte < 0x80);
        const bool text =
            type == CDialogItemInfo::kPushButton || type == CDialogItemInfo::kCheckBox ||
            type == CDialogItemInfo::kRadioButton || type == CDialogItemInfo::kStaticText ||
            type == CDialogItemInfo::kEditText;
        EXPECT_STREQ(item->fString, text ? "\x34\x12x" : "");
        const bool id = type == CDialogItemInfo::kIcon || type == CDialogItemInfo::kPicture;
        EXPECT_EQ(item->fContentsResourceID, id ? 0x1234 : -1);
    }
    // An icon without room for its id has none.
    EXPECT_EQ(Decode(Dialog("T"), Items({{0x20, {7}}}))->GetDialogItemInfo(1)->fContentsResourceID,
              -1);
}

TEST(DialogResource, OddLengthsArePaddedAndNextItemsFollow)
{
    const Bytes items = Items({{0x88, Text("a"), 1, 1, 1, 1},
                               {0x08, Text("abc"), 2, 2, 2, 2},
                               {0x04, Text(""), 3, 3, 3, 3},
                               {0xA0, ID(-5), 4, 4, 4, 4},
                               {0x04, Text("OK"), 5, 5, 5, 5}},
                              false, 'Z');
    const auto r = Decode(Dialog("T"), items);
    ASSERT_EQ(r->CountItems(), 5u);
    const char* texts[] = {"a", "abc", "", "", "OK"};
    for (short n = 1; n <= 5; ++n)
    {
        const CDialogItemInfo* item = r->GetDialogItemInfo(n);
        EXPECT_EQ(item->fRect.fTop, n); // each item found where its predecessor ended
        EXPECT_STREQ(item->fString, texts[n - 1]);
    }
    EXPECT_FALSE(r->GetDialogItemInfo(1)->fEnableFlag);
    EXPECT_EQ(r->GetDialogItemInfo(1)->fType, CDialogItemInfo::kStaticText);
    EXPECT_EQ(r->GetDialogItemInfo(4)->fType, CDialogItemInfo::kIcon);
    EXPECT_FALSE(r->GetDialogItemInfo(4)->fEnableFlag);
    EXPECT_EQ(r->GetDialogItemInfo(4)->fContentsResourceID, -5);
}

TEST(DialogResource, EveryTruncationIsRefusedWithoutReadingOutside)
{
    const Bytes dialog = Dialog("Title");
    // The last item's text has an odd length: only its pad byte may be missing.
    const Bytes items = Items({{0x08, Text("Hi"), 5}, {0xA0, ID(9), 6}, {0x04, Text("Yes"), 7}});
    for (std::size_t n = 0; n < dialog.size(); ++n)
        EXPECT_THROW(Decode(Bytes(dialog.begin(), dialog.begin() + long(n)), items), XBadFormat)
            << n;
    for (std::size_t n = 0; n + 1 < items.size(); ++n)
        EXPECT_THROW(Decode(dialog, Bytes(items.begin(), items.begin() + long(n))), XBadFormat)
            << n;
    const auto withoutPad = Decode(dialog, Bytes(items.begin(), items.end() - 1));
    ASSERT_EQ(withoutPad->CountItems(), 3u);
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
    const auto r = Decode(Dialog(title), Items({{0x08, Text(text)}, {0x04, Text("OK")}}));
    EXPECT_EQ(Title(*r), title.substr(0, 128));
    EXPECT_EQ(std::string(r->GetDialogItemInfo(1)->fString), text.substr(0, 240));
    EXPECT_STREQ(r->GetDialogItemInfo(2)->fString, "OK"); // the cut text's full length is skipped

    const CDialogItemInfo direct(CLocalRect(1, 2, 3, 4), CDialogItemInfo::kEditText, 9, true,
                                 text.c_str(), -1);
    EXPECT_EQ(std::string(direct.fString), text.substr(0, 240));
    const CDialogItemInfo none(CLocalRect(), CDialogItemInfo::kUserItem, 1, false, nullptr, -1);
    EXPECT_STREQ(none.fString, "");
}

namespace
{

// An application whose resource file holds the given resources, stored as the
// resource file keeps them (big-endian).
class DialogResourceFile : public ::testing::Test
{
protected:
    void Open(const std::vector<NSPlatform::SResourceEntry>& entries)
    {
        NSPlatform::CResourceFork fork;
        for (const NSPlatform::SResourceEntry& entry : entries)
            fork.Add(entry);
        std::string why;
        ASSERT_EQ(fork.Serialize(&fImage, &why), NSPlatform::kNoErr);
        fRef = NSPlatform::CResourceManager::OpenResImage(fImage.data(), fImage.size());
        ASSERT_NE(fRef, NSPlatform::CResourceManager::kNoFile);
        NSPlatform::SNativeFileSpec self;
        NSPlatform::CPosixFiles::GetExecutableSpec(&self);
        fApplication = std::make_unique<CLowLevelApplication>("Dialogs", CFileSpec(self), fRef);
    }
    static NSPlatform::SResourceEntry Entry(const char* type, int16_t id, const Bytes& bytes)
    {
        NSPlatform::SResourceEntry entry;
        entry.mType = NSPlatform::CResourceFork::PackCode(type);
        entry.mID = id;
        entry.mData = bytes;
        return entry;
    }
    void TearDown() override
    {
        fApplication.reset();
        if (fRef != -1)
            NSPlatform::CResourceManager::CloseResFile(fRef);
    }

    std::vector<uint8_t> fImage;
    int16_t fRef = -1;
    std::unique_ptr<CLowLevelApplication> fApplication;
};

} // namespace

TEST_F(DialogResourceFile, LoadsDescriptionAndItemListThroughTheResourceLayer)
{
    Open({Entry("DLOG", 200, Dialog("Loaded", 300, true)),
          Entry("DITL", 300,
                Items({{0x04, Text("Go"), 100, 200, 130, 290}, {0xA0, {0x01, 0x02}}}, true)),
          Entry("DLOG", 201, Dialog("No list", 301, true)),
          Entry("DLOG", 202, Dialog("Bad list", 302, true)),
          Entry("DITL", 302, Bytes{0, 5, 0, 0})});
    const CDialogResource r(nullptr, 200);
    EXPECT_EQ(Title(r), "Loaded");
    EXPECT_EQ(r.GetClientRect().GetHeight(), 150);
    ASSERT_EQ(r.CountItems(), 2u);
    EXPECT_EQ(r.GetDialogItemInfo(1)->fRect.fRight, 290);
    EXPECT_STREQ(r.GetDialogItemInfo(1)->fString, "Go");
    EXPECT_EQ(r.GetDialogItemInfo(2)->fContentsResourceID, 0x0102);

    EXPECT_THROW(CDialogResource(nullptr, 199), XNotFound);
    EXPECT_THROW(CDialogResource(nullptr, 201), XNotFound);
    EXPECT_THROW(CDialogResource(nullptr, 202), XBadFormat);
}
