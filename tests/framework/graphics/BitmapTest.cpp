#include "SurfaceCanvas.h"

#include "framework/files/XBase.h"
#include "framework/graphics/CBitmap1.h"
#include "framework/graphics/CBitmap16.h"
#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CBitmap8.h"
#include "framework/graphics/CBitmapDest.h"
#include "framework/graphics/CBitmapUtils.h"
#include "framework/graphics/CPalette.h"
#include "framework/graphics/CPixel32.h"

#include <gtest/gtest.h>

#include <memory>

namespace NSWayfarer
{
namespace
{

TEST(Bitmap, RowBytesAndCreationByDepth)
{
    EXPECT_EQ(CBitmapUtils::CalcRowBytes(10, 1, 2), 2);
    EXPECT_EQ(CBitmapUtils::CalcRowBytes(17, 8, 2), 18);
    EXPECT_EQ(CBitmapUtils::CalcRowBytes(3, 32, 4), 12);
    // Beyond 16 bits of width x depth.
    EXPECT_EQ(CBitmapUtils::CalcRowBytes(9000, 8, 4), 9000);
    EXPECT_EQ(CBitmapUtils::CalcRowBytesLong(20000, 32, 4), 80000);
    CBitmap8 wide(9000, 2, nullptr);
    wide.SetPixel32(8999, 1, 0xFFFFFF);
    EXPECT_EQ(wide.GetPixel32(8999, 1), 0xFFFFFFu);
    EXPECT_EQ(wide.GetPixelPtr()[wide.GetRowBytes() + 8999], 0);
    EXPECT_EQ(CBitmapUtils::CreateDirectPixelBitmap(4, 4, 24), nullptr);
    EXPECT_EQ(CBitmapUtils::CreateDirectPixelBitmap(4, 4, 8), nullptr);
    std::unique_ptr<CABCBitmap> b16(CBitmapUtils::CreateDirectPixelBitmap(5, 3, 16));
    ASSERT_TRUE(b16);
    EXPECT_EQ(b16->GetBitDepth(), 16);
    EXPECT_GE(b16->GetRowBytes(), 10);
    const CBitmapDest dest8(8, nullptr);
    std::unique_ptr<CABCBitmap> b8(CBitmapUtils::CreateBitmap(7, 2, &dest8));
    ASSERT_EQ(b8->GetBitDepth(), 8);
    EXPECT_EQ(b8->MacGetPaletteSeed(), dest8.GetColorTable()->mSeed);
    const CBitmapInfo info = b8->GetInfo();
    EXPECT_EQ(info.mWidth, 7);
    EXPECT_EQ(info.mHeight, 2);
    EXPECT_EQ(info.mRowBytes, b8->GetRowBytes());
    EXPECT_EQ(info.mPalette, nullptr);
}

TEST(Bitmap, SizesAreCheckedBeforeAllocation)
{
    EXPECT_THROW(CBitmap32(0, 5), XMacSystemOOM);
    EXPECT_THROW(CBitmap32(5, -1), XMacSystemOOM);
    // 32767 x 32767 x 4 is 4 GiB: refused, not attempted.
    EXPECT_THROW(CBitmap32(32767, 32767), XMacSystemOOM);
    EXPECT_FALSE(CBitmapUtils::IsSaneBitmapSize(70000, 1, 32));
    EXPECT_THROW(CBitmapUtils::CheckBitmapSize(20000, 20000, 32), XBadFormat);
    EXPECT_NO_THROW(CBitmapUtils::CheckBitmapSize(4096, 4096, 32));
    EXPECT_THROW(CBitmapUtils::CheckBitmapSize(4096, 4097, 32), XBadFormat);
}

TEST(Bitmap, ThirtyTwoBitPixelsAreTheSurfaceWords)
{
    CBitmap32 b(6, 4);
    b.Erase(CRGBColor(0x1200, 0x3400, 0x56FF));
    EXPECT_EQ(b.GetRow(3)[5], 0x123456u);
    CLocalRect r(1, 1, 3, 2);
    b.DrawRect(&r, CRGBColor(0xAB00, 0xCD00, 0xEF00));
    EXPECT_EQ(CPixel32::RGB(b.GetRow(1)[1]), 0xABCDEFu);
    EXPECT_EQ(CPixel32::RGB(b.GetRow(1)[2]), 0xABCDEFu);
    EXPECT_EQ(CPixel32::RGB(b.GetRow(1)[3]), 0x123456u);
    EXPECT_EQ(CPixel32::RGB(b.GetRow(2)[1]), 0x123456u);
    // Words written straight into the store are what the next copy shows.
    unsigned char* pixels = b.OpenEdit();
    reinterpret_cast<uint32_t*>(pixels + 3 * b.GetRowBytes())[0] = 0x00FF00;
    b.CloseEdit(&pixels);
    EXPECT_EQ(pixels, nullptr);
    EXPECT_EQ(b.GetTransparentColor().GetGreen(), 0xFF00);
    CSurfaceCanvas window(8, 8);
    b.DrawBitmapToCanvas(&window, 2, 2, 0, 2, 3, 2);
    EXPECT_EQ(window.Pixel(2, 3), 0x00FF00u);
    EXPECT_EQ(window.Pixel(3, 3), 0x123456u);
    EXPECT_EQ(window.Pixel(2, 1), 0xFFFFFFu);
    EXPECT_EQ(window.Pixel(5, 3), 0xFFFFFFu);
}

TEST(Bitmap, OtherDepthsDrawThroughTheirOwnLayouts)
{
    CBitmap16 b16(4, 2);
    CLocalRect all(0, 0, 4, 2);
    b16.DrawRect(&all, CRGBColor(0xFFFF, 0x8000, 0x0800));
    const auto* row16 = reinterpret_cast<const uint16_t*>(b16.GetPixelPtr());
    EXPECT_EQ(row16[3], CPixel32::Make16(31, 16, 1));
    EXPECT_EQ(row16[3] & 0x8000, 0);

    CBitmap1 b1(10, 2);
    CLocalRect left(0, 0, 9, 1);
    b1.DrawRect(&left, CRGBColor::kBlack);
    EXPECT_EQ(b1.GetPixelPtr()[0], 0xFF);
    EXPECT_EQ(b1.GetPixelPtr()[1], 0x80);
    EXPECT_EQ(b1.GetPixelPtr()[b1.GetRowBytes()], 0x00);
    // Pixels 8 and 9 are in the last partial byte and keep their values.
    b1.InvertBlackAndWhite();
    EXPECT_EQ(b1.GetPixelPtr()[0], 0x00);
    EXPECT_EQ(b1.GetPixelPtr()[1], 0x80);
    EXPECT_EQ(b1.GetPixelPtr()[b1.GetRowBytes()], 0xFF);

    CBitmap8 b8(3, 1, nullptr);
    unsigned char* p = b8.OpenEdit();
    p[0] = 0;
    p[1] = 255;
    p[2] = 7;
    b8.CloseEdit(&p);
    b8.InvertBlackAndWhite();
    EXPECT_EQ(b8.GetPixelPtr()[0], 255);
    EXPECT_EQ(b8.GetPixelPtr()[1], 0);
    EXPECT_EQ(b8.GetPixelPtr()[2], 7);
    // Drawing keeps what was written through the pointer and quantises to the table.
    CLocalRect first(0, 0, 1, 1);
    b8.DrawRect(&first, CRGBColor(0xCCCC, 0xCCCC, 0xCCCC));
    EXPECT_EQ(b8.GetPixelPtr()[0], 1);
    EXPECT_EQ(b8.GetPixelPtr()[2], 7);
    // And copies out in the table's colours.
    CSurfaceCanvas window(3, 1, 1, 0x123456);
    b8.DrawBitmapToCanvas(&window, 0, 0, 0, 0, 3, 1);
    EXPECT_EQ(window.Pixel(0, 0), 0xCCCCCCu);
    EXPECT_EQ(window.Pixel(1, 0), 0xFFFFFFu);
}

TEST(Bitmap, DrawingWhileOpenForEditReachesThePointer)
{
    CBitmap16 b(2, 1);
    unsigned char* p = b.OpenEdit();
    reinterpret_cast<uint16_t*>(p)[1] = CPixel32::Make16(1, 2, 3);
    CLocalRect first(0, 0, 1, 1);
    b.DrawRect(&first, CRGBColor::kWhite);
    EXPECT_EQ(reinterpret_cast<uint16_t*>(p)[0], 0x7FFF);
    EXPECT_EQ(reinterpret_cast<uint16_t*>(p)[1], CPixel32::Make16(1, 2, 3));
    b.CloseEdit(&p);
}

TEST(BitmapEditing, ReplaceGreyOutAndBackground)
{
    CBitmap32 b(3, 2);
    b.Erase(CRGBColor(0x10FF, 0x2000, 0x3000));
    b.SetPixel32(1, 0, 0xFFFFFF);
    b.SetPixel32(2, 0, 0x102031);
    // Only the high bytes count: 0x10FF finds 0x10.
    CBitmapUtils::SearchAndReplace32Bit(&b, CRGBColor(0xAB00, 0, 0),
                                        CRGBColor(0x1000, 0x20AA, 0x3001));
    EXPECT_EQ(b.GetPixel32(0, 0), 0xAB0000u);
    EXPECT_EQ(b.GetPixel32(2, 1), 0xAB0000u);
    EXPECT_EQ(b.GetPixel32(2, 0), 0x102031u);
    EXPECT_EQ(b.GetPixel32(1, 0), 0xFFFFFFu);
    // The bottom-left colour is the background.
    CBitmapUtils::ChangeBitmapBackground(&b, CRGBColor(0, 0x1100, 0));
    EXPECT_EQ(b.GetPixel32(0, 1), 0x001100u);
    EXPECT_EQ(b.GetPixel32(2, 0), 0x102031u);
    // (pixel + tint) / 2 per component, except the kept colour.
    CBitmapUtils::GrayOutBitmap(&b, CRGBColor::kWhite, CRGBColor(0x8000, 0x8000, 0x8100));
    EXPECT_EQ(b.GetPixel32(1, 0), 0xFFFFFFu);
    EXPECT_EQ(b.GetPixel32(2, 0), CPixel32::Make(0x48, 0x50, 0x59));
    EXPECT_EQ(b.GetPixel32(0, 1), CPixel32::Make(0x40, 0x48, 0x40));
}

TEST(BitmapEditing, MasksAndTheColourIcon)
{
    CBitmap32 b(10, 4);
    b.Erase(CRGBColor::kWhite);
    b.SetPixel32(9, 0, 0x00FF00);
    b.SetPixel32(3, 1, 0x00FF00);
    b.SetPixel32(0, 3, 0x00FF00);
    b.SetPixel32(4, 3, 0x00FF00);
    // Rows 1 and 2 from (2, 1): the bit of (3, 1) is column 1 of row 0.
    const std::unique_ptr<CBitmap1> mask(
        CBitmapUtils::BuildMask(&b, 2, 1, 8, 2, CRGBColor(0, 0xFF00, 0)));
    ASSERT_EQ(mask->GetWidth(), 10);
    ASSERT_EQ(mask->GetHeight(), 4);
    for (short y = 0; y < 4; ++y)
        for (short x = 0; x < 10; ++x)
            EXPECT_EQ(mask->IsBlack(x, y), x == 1 && y == 0) << x << "," << y;

    // The icon: the bottom-left colour (green here) is see-through.
    b.SetPixel32(5, 2, 0x000000);
    const SColorIcon icon = CBitmapUtils::MacBuildCIcon(&b);
    const std::vector<uint32_t> pixels = CBitmapUtils::GetIconPixels(icon);
    ASSERT_EQ(pixels.size(), 40u);
    EXPECT_EQ(pixels[0], 0xFFFFFFFFu);
    EXPECT_EQ(pixels[30] >> 24, 0u);
    EXPECT_EQ(pixels[34] >> 24, 0u);
    EXPECT_EQ(pixels[25], 0xFF000000u);
    EXPECT_EQ(icon.mImage->GetBitDepth(), 8);
    EXPECT_TRUE(CBitmapUtils::GetIconPixels(SColorIcon()).empty());
}

} // namespace
} // namespace NSWayfarer
