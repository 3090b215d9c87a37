// Transparent bitmaps: the mask from the bottom-left colour, a given mask, the 8-bit copy,
// and drawing through the mask onto a canvas.
#include "framework/graphics/CBitmap1.h"
#include "framework/graphics/CBitmap16.h"
#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CBitmap8.h"
#include "framework/graphics/CPixel32.h"
#include "framework/graphics/CTransparentBitmap.h"

#include "SurfaceCanvas.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace NSWayfarer;

namespace
{

void Put(CBitmap32& b, int x, int y, uint32_t rgb)
{
    unsigned char* p = b.OpenEdit();
    std::memcpy(p + long(y) * b.GetRowBytes() + 4 * x, &rgb, 4);
    b.CloseEdit(&p);
}

uint32_t Get(const CABCBitmap& b, int x, int y)
{
    const unsigned char* p = b.OpenRead();
    uint32_t v;
    std::memcpy(&v, p + long(y) * b.GetRowBytes() + 4 * x, 4);
    b.CloseRead(&p);
    return v & 0xFFFFFF;
}

bool Bit(const CBitmap1& m, int x, int y)
{
    const unsigned char* p = m.OpenRead();
    const bool set = (p[long(y) * m.GetRowBytes() + x / 8] & (0x80 >> (x % 8))) != 0;
    m.CloseRead(&p);
    return set;
}

// 12 x 5: red background (the bottom-left pixel), a blue block, red dots inside it.
std::unique_ptr<CBitmap32> Picture()
{
    auto b = std::make_unique<CBitmap32>(12, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 12; ++x)
            Put(*b, x, y, (x >= 3 && x < 10 && y >= 1 && y < 4) ? 0x0000FF : 0xFF0000);
    Put(*b, 5, 2, 0xFF0000);
    Put(*b, 11, 0, 0x00FF00);
    return b;
}

bool Opaque(int x, int y)
{
    if (x == 11 && y == 0)
        return true;
    if (x == 5 && y == 2)
        return false;
    return x >= 3 && x < 10 && y >= 1 && y < 4;
}

} // namespace

TEST(TransparentBitmap, MaskLeavesOutTheBottomLeftColourWhereverItIs)
{
    const auto picture = Picture();
    const CTransparentBitmap whole(picture.get(), 0, 0, 12, 5);
    ASSERT_EQ(whole.GetWidth(), 12);
    ASSERT_EQ(whole.GetHeight(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 12; ++x)
        {
            EXPECT_EQ(Bit(*whole.GetMask(), x, y), Opaque(x, y)) << x << "," << y;
            EXPECT_EQ(Get(*whole.GetBitmap(), x, y), Get(*picture, x, y));
        }

    // A part whose bottom-left pixel is blue: now blue is the colour left out.
    const CTransparentBitmap part(picture.get(), 4, 1, 6, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(Bit(*part.GetMask(), x, y), Get(*picture, x + 4, y + 1) != 0x0000FF);
}

TEST(TransparentBitmap, GivenMaskIsTakenOverForTheSameRectangle)
{
    const auto picture = Picture();
    CBitmap1 mask(12, 5);
    unsigned char* bits = mask.OpenEdit();
    for (int y = 0; y < 5; ++y)
        std::memset(bits + long(y) * mask.GetRowBytes(), 0, size_t(mask.GetRowBytes()));
    // A diagonal, crossing a byte boundary.
    for (int i = 0; i < 5; ++i)
        bits[long(i) * mask.GetRowBytes() + (i + 6) / 8] |= uint8_t(0x80 >> ((i + 6) % 8));
    mask.CloseEdit(&bits);
    const CTransparentBitmap t(picture.get(), &mask, 5, 1, 6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
        {
            EXPECT_EQ(Bit(*t.GetMask(), x, y), x + 5 == y + 1 + 6) << x << "," << y;
            EXPECT_EQ(Get(*t.GetBitmap(), x, y), Get(*picture, x + 5, y + 1));
        }
}

TEST(TransparentBitmap, EightBitCopyUsesTheColourCube)
{
    auto picture = std::make_unique<CBitmap32>(4, 1);
    Put(*picture, 0, 0, 0xFFFFFF);
    Put(*picture, 1, 0, 0x000000);
    Put(*picture, 2, 0, 0x3F40C0);
    Put(*picture, 3, 0, 0xE01F7F);
    const CTransparentBitmap t(picture.get(), 0, 0, 4, 1);
    const CABCBitmap* eight = t.GetBitmap8();
    ASSERT_NE(eight, nullptr);
    EXPECT_EQ(t.GetBitmap8(), eight);
    EXPECT_EQ(eight->GetBitDepth(), 8);
    const unsigned char* p = eight->OpenRead();
    EXPECT_EQ(p[0], 132);
    EXPECT_EQ(p[1], 5);
    EXPECT_EQ(p[2], 5 + 1 * 16 + 3 * 4 + 1);
    EXPECT_EQ(p[3], 5 + 7 * 16 + 1 * 4 + 0);
    eight->CloseRead(&p);
}

TEST(TransparentBitmap, DrawingCopiesOnlyTheMaskedPixels)
{
    const auto picture = Picture();
    CSurfaceCanvas canvas(20, 10, 1, 0x123456);
    canvas.DrawTransparentBitmap(2, 3, picture.get());
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
        {
            const int px = x - 2, py = y - 3;
            const bool drawn = px >= 0 && px < 12 && py >= 0 && py < 5 && Opaque(px, py);
            EXPECT_EQ(canvas.Pixel(x, y), drawn ? Get(*picture, px, py) : 0x123456u)
                << x << "," << y;
        }

    // Part of a kept transparent bitmap.
    CSurfaceCanvas part(20, 10, 1, 0x123456);
    const CTransparentBitmap t(picture.get(), 0, 0, 12, 5);
    part.DrawTransparentBitmap(0, 0, &t, 8, 0, 4, 2);
    EXPECT_EQ(part.Pixel(0, 1), Get(*picture, 8, 1));
    EXPECT_EQ(part.Pixel(3, 0), 0x00FF00u);
    EXPECT_EQ(part.Pixel(0, 0), 0x123456u);
    EXPECT_EQ(part.Pixel(2, 1), 0x123456u);
    EXPECT_EQ(part.Pixel(4, 1), 0x123456u);
}

TEST(TransparentBitmap, DrawingIntoAStoreOfAnotherDepthReachesItsPixels)
{
    const auto picture = Picture();
    CBitmap16 target(12, 5);
    target.Erase(CRGBColor::kWhite);
    target.DrawTransparentBitmap(0, 0, picture.get());
    for (short y = 0; y < 5; ++y)
        for (short x = 0; x < 12; ++x)
            EXPECT_EQ(target.GetPixel32(x, y),
                      Opaque(x, y) ? CPixel32::From16(CPixel32::To16(Get(*picture, x, y)))
                                   : 0xFFFFFFu)
                << x << "," << y;
}
