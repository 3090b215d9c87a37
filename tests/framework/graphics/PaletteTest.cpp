// Palettes on the fixed-grey layout, from colours, tables, "SCOL" and picture resources, and
// the named colours that follow the desktop theme.
#include "framework/application/CLowLevelApplication.h"
#include "framework/files/CFileSpec.h"
#include "framework/files/XBase.h"
#include "framework/graphics/CABCBitmap.h"
#include "framework/graphics/CBitmapDest.h"
#include "framework/graphics/CBitmapUtils.h"
#include "framework/graphics/CPalette.h"
#include "platform/display/CDisplayTheme.h"
#include "platform/files/CPosixFiles.h"
#include "platform/resources/CResourceFork.h"
#include "platform/resources/CResourceManager.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <vector>

#include <jpeglib.h>

namespace NSWayfarer
{
namespace
{

using NSPlatform::CDisplayTheme;

void ExpectGrey(const CRGBColor& c, uint16_t value)
{
    EXPECT_EQ(c.GetRed(), value);
    EXPECT_EQ(c.GetGreen(), value);
    EXPECT_EQ(c.GetBlue(), value);
}

TEST(Palette, FixedGreysFrameTheFreeColours)
{
    const std::vector<CRGBColor> black(CPalette::kFreeColorCount);
    const CPalette palette(black.data());
    ExpectGrey(palette.GetColor(0), 65535);
    ExpectGrey(palette.GetColor(1), 52428);
    ExpectGrey(palette.GetColor(100), 0);
    ExpectGrey(palette.GetColor(255), 0);
    ExpectGrey(palette.GetColor(241), 61166);
    ExpectGrey(palette.GetColor(250), 4369);

    const CPalette& standard = CPalette::GetStandardPalette();
    ExpectGrey(standard.GetColor(5), 0);
    ExpectGrey(standard.GetColor(240), 65257);
    ExpectGrey(standard.GetColor(4), 13107);

    // Through a table and back: same colours, each table with a seed of its own.
    const std::unique_ptr<SColorTable> table = standard.MacCreateColorTable();
    const std::unique_ptr<SColorTable> again = standard.MacCreateColorTable();
    EXPECT_NE(table->mSeed, again->mSeed);
    const CPalette copy(*table);
    CRGBColor all[256];
    copy.GetPaletteArray(all);
    for (unsigned short i = 0; i < 256; ++i)
        EXPECT_TRUE(all[i].IsEqual(standard.GetColor(i))) << i;

    // The destination's colour map holds the table's high bytes, red row first.
    const CBitmapDest dest(8, &copy);
    EXPECT_EQ(dest.GetColorMapRows()[0][240], 65257 >> 8);
    EXPECT_EQ(dest.GetColorMapRows()[2][0], 0xFF);
    EXPECT_EQ(CBitmapDest(16, &copy).GetPalette(), nullptr);
}

std::vector<uint8_t> SmallJPEG()
{
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = 8;
    info.image_height = 8;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<uint8_t> row(8 * 3);
    for (int i = 0; i < 8; ++i)
    {
        row[static_cast<size_t>(i * 3)] = 250;
        row[static_cast<size_t>(i * 3 + 1)] = 120;
    }
    for (int y = 0; y < 8; ++y)
    {
        JSAMPROW p = row.data();
        jpeg_write_scanlines(&info, &p, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> result(out, out + size);
    std::free(out);
    return result;
}

class PaletteResources : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NSPlatform::CResourceFork fork;
        auto add = [&](const char* type, int16_t id, const std::vector<uint8_t>& data)
        {
            NSPlatform::SResourceEntry entry;
            entry.mType = NSPlatform::CResourceFork::PackCode(type);
            entry.mID = id;
            entry.mData = data;
            fork.Add(entry);
        };
        std::vector<uint8_t> full(720, 0);
        full[0] = 0x12;
        full[1] = 0x34;
        full[2] = 0x56;
        full[707] = 0x99;
        full[708] = 0xEE; // past the 236 colours: not read
        add("SCOL", 128, full);
        add("SCOL", 129, {1, 2, 3, 4, 5});
        add("PICT", 128, SmallJPEG());
        add("PICT", 129, {1, 2, 3});
        add("JPEG", 130, SmallJPEG());
        std::string why;
        ASSERT_EQ(fork.Serialize(&fImage, &why), NSPlatform::kNoErr);
        fRef = NSPlatform::CResourceManager::OpenResImage(fImage.data(), fImage.size());
        ASSERT_NE(fRef, NSPlatform::CResourceManager::kNoFile);
        NSPlatform::SNativeFileSpec self;
        NSPlatform::CPosixFiles::GetExecutableSpec(&self);
        fApplication = std::make_unique<CLowLevelApplication>("Palettes", CFileSpec(self), fRef);
    }
    void TearDown() override
    {
        fApplication.reset();
        NSPlatform::CResourceManager::CloseResFile(fRef);
    }

    std::vector<uint8_t> fImage;
    int16_t fRef = -1;
    std::unique_ptr<CLowLevelApplication> fApplication;
};

TEST_F(PaletteResources, ColourResourcesAndPictures)
{
    const std::unique_ptr<CPalette> full(CPalette::LoadWayfarerSCOL(128));
    EXPECT_TRUE(full->GetColor(5).IsEqual(CRGBColor(0x1200, 0x3400, 0x5600)));
    EXPECT_EQ(full->GetColor(240).GetBlue(), 0x9900);
    ExpectGrey(full->GetColor(241), 61166);
    // A short resource: the one whole colour, then black.
    const std::unique_ptr<CPalette> shortOne(CPalette::LoadWayfarerSCOL(129));
    EXPECT_TRUE(shortOne->GetColor(5).IsEqual(CRGBColor(0x100, 0x200, 0x300)));
    ExpectGrey(shortOne->GetColor(6), 0);
    EXPECT_THROW(CPalette::LoadWayfarerSCOL(200), XBase);

    const std::unique_ptr<CPalette> picture(CPalette::MacLoadPict(128));
    bool found = false;
    for (unsigned short i = 5; i <= 240; ++i)
    {
        const CRGBColor c = picture->GetColor(i);
        found |= std::abs((c.GetRed() >> 8) - 250) <= 3 && std::abs((c.GetGreen() >> 8) - 120) <= 3;
    }
    EXPECT_TRUE(found);
    EXPECT_THROW(CPalette::MacLoadPict(300), XNotFound);
    try
    {
        CPalette::MacLoadPict(129);
        ADD_FAILURE() << "a picture that is no JPEG gave a palette";
    }
    catch (const XBadFormat&)
    {
        ADD_FAILURE() << "not the picture-colour failure";
    }
    catch (const XBase&)
    {
    }

    const CBitmapDest dest(32, nullptr);
    const std::unique_ptr<CABCBitmap> bitmap(
        CBitmapUtils::LoadBitmapFromJPEGResource(&dest, TBitmapID(130)));
    EXPECT_EQ(bitmap->GetWidth(), 8);
    EXPECT_THROW(CBitmapUtils::LoadBitmapFromJPEGResource(&dest, TBitmapID(131)), XBase);
}

CDisplayTheme::SColor DistinctColours(CDisplayTheme::ERole role)
{
    const auto v = static_cast<uint16_t>(1000 * (role + 1));
    return CDisplayTheme::SColor{v, 0, static_cast<uint16_t>(role)};
}

bool AcceptingPicker(const char* prompt, CDisplayTheme::SColor* color)
{
    if (std::string(prompt) != "Pick one")
        return false;
    color->mGreen = 4242;
    return true;
}

bool RefusingPicker(const char*, CDisplayTheme::SColor* color)
{
    color->mRed = 1; // what a cancelled chooser leaves must not reach the colour
    return false;
}

TEST(ThemeColours, NumbersAnswerWithTheirThemeRoles)
{
    CDisplayTheme::SetColorSource(DistinctColours);
    auto role = [](const CRGBColor& c) { return static_cast<int>(c.GetRed() / 1000) - 1; };
    EXPECT_EQ(role(CRGBColor::GetBevelButtonTextColor(false, true)), CDisplayTheme::kDisabledText);
    EXPECT_EQ(role(CRGBColor::GetBevelButtonTextColor(true, true)), CDisplayTheme::kText);
    EXPECT_EQ(role(CRGBColor::GetBevelButtonTextColor(true, false)), CDisplayTheme::kText);
    EXPECT_EQ(role(CRGBColor::GetListViewTextColor(false)), CDisplayTheme::kViewText);
    EXPECT_EQ(role(CRGBColor::GetHighLightColor()), CDisplayTheme::kSelection);
    EXPECT_EQ(role(CRGBColor::GetListViewBackgroundColor(true)), CDisplayTheme::kViewBackground);
    EXPECT_EQ(role(CRGBColor::GetListViewSeparatorColor(false)), CDisplayTheme::kBorder);
    EXPECT_EQ(role(CRGBColor::MacGetAppearanceBrushColor(1)), CDisplayTheme::kBackground);
    EXPECT_EQ(role(CRGBColor::MacGetAppearanceTextColor(35)), CDisplayTheme::kSelectedText);
    // The sort column: the view background a sixteenth of the way to the view text.
    const CRGBColor sort = CRGBColor::GetListViewSortBackgroundColor(true);
    EXPECT_EQ(sort.GetRed(), (5000 * 15 + 3000) / 16);
    EXPECT_TRUE(CRGBColor::MacGetAppearanceTextColor(-2).IsEqual(CRGBColor::kWhite));
    CDisplayTheme::SetColorSource(nullptr);

    ExpectGrey(CRGBColor::GetMetallicBackground(), 56832);
    ExpectGrey(CRGBColor::GetMetallicShadow(), 43690);
    ExpectGrey(CRGBColor::GetMetallicLight(), 65535);
    ExpectGrey(CRGBColor::GetDocumentBackground(), 65535);

    CDisplayTheme::SetPicker(AcceptingPicker);
    CRGBColor c(10, 20, 30);
    EXPECT_TRUE(c.LetUserPick("Pick one"));
    EXPECT_TRUE(c.IsEqual(CRGBColor(10, 4242, 30)));
    CDisplayTheme::SetPicker(RefusingPicker);
    EXPECT_FALSE(c.LetUserPick("Pick one"));
    EXPECT_TRUE(c.IsEqual(CRGBColor(10, 4242, 30)));
    CDisplayTheme::SetPicker(nullptr);
}

} // namespace
} // namespace NSWayfarer
