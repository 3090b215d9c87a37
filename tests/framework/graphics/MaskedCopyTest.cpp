// The drawing port's masked copy: exactly the pixels whose mask bit is set, clipped by the
// port's clip and the source's edge, also within one surface and on a doubled display.
#include "framework/graphics/CDrawPort.h"

#include "SurfaceCanvas.h"

#include <gtest/gtest.h>

using namespace NSWayfarer;

namespace
{

// A 10 x 4 source whose pixel (x, y) is 0x00yyxx + 0x100000, and a mask with a set bit where
// (x + y) is even: two bytes per row, the second byte's bits 8 and 9.
struct SMaskedSource
{
    SMaskedSource() : fCanvas(10, 4)
    {
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 10; ++x)
            {
                fCanvas.SetPixel(x, y, Value(x, y));
                if ((x + y) % 2 == 0)
                    fMask[y * 3 + x / 8] |= uint8_t(0x80 >> (x % 8));
            }
    }
    static uint32_t Value(int x, int y) { return 0x100000u | uint32_t(y) << 8 | uint32_t(x); }

    CSurfaceCanvas fCanvas;
    // Rows three bytes apart, wider than needed.
    uint8_t fMask[12] = {};
};

} // namespace

TEST(MaskedCopy, CopiesExactlyTheSetBits)
{
    SMaskedSource src;
    CSurfaceCanvas dst(16, 8, 1, 0xABCDEF);
    dst.Port()->CopyMask(*src.fCanvas.Port(), src.fMask, 3, 10, 4, CRect(1, 1, 10, 4), 3, 2);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 16; ++x)
        {
            const int sx = x - 3 + 1;
            const int sy = y - 2 + 1;
            const bool inside = sx >= 1 && sx < 10 && sy >= 1 && sy < 4;
            const bool copied = inside && (sx + sy) % 2 == 0;
            EXPECT_EQ(dst.Pixel(x, y), copied ? SMaskedSource::Value(sx, sy) : 0xABCDEFu)
                << x << "," << y;
        }
}

TEST(MaskedCopy, HonoursClipSourceEdgeMaskSizeAndScale)
{
    SMaskedSource src;
    CSurfaceCanvas dst(16, 8, 1, 0xABCDEF);
    dst.Port()->ClipRect(CRect(0, 0, 4, 8));
    // The rectangle runs past the source's right edge; the mask says 9 pixels wide only.
    dst.Port()->CopyMask(*src.fCanvas.Port(), src.fMask, 3, 9, 4, CRect(0, 0, 12, 4), 0, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 16; ++x)
        {
            const bool copied = x < 4 && (x + y) % 2 == 0;
            EXPECT_EQ(dst.Pixel(x, y), copied ? SMaskedSource::Value(x, y) : 0xABCDEFu);
        }
    dst.Port()->ClipRect(CRect(0, 0, 16, 8));
    CSurfaceCanvas wide(16, 8, 1, 0xABCDEF);
    wide.Port()->CopyMask(*src.fCanvas.Port(), src.fMask, 3, 9, 4, CRect(0, 0, 12, 4), 0, 0);
    for (int y = 0; y < 4; ++y)
    {
        // Pixel 9 lies outside the mask, pixels 10 and 11 outside the source.
        EXPECT_EQ(wide.Pixel(8, y), y % 2 == 0 ? SMaskedSource::Value(8, y) : 0xABCDEFu);
        EXPECT_EQ(wide.Pixel(9, y), 0xABCDEFu);
        EXPECT_EQ(wide.Pixel(10, y), 0xABCDEFu);
    }

    // On a doubled display each source pixel covers 2 x 2 device pixels, hard-edged.
    CSurfaceCanvas doubled(4, 2, 2, 0xABCDEF);
    doubled.Port()->CopyMask(*src.fCanvas.Port(), src.fMask, 3, 10, 4, CRect(0, 0, 4, 2), 0, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
        {
            const bool copied = (x / 2 + y / 2) % 2 == 0;
            EXPECT_EQ(doubled.Pixel(x, y), copied ? SMaskedSource::Value(x / 2, y / 2) : 0xABCDEFu);
        }
}

TEST(MaskedCopy, WithinOneSurfaceReadsTheSourceFirst)
{
    SMaskedSource src;
    const uint8_t allSet[12] = {0xFF, 0xC0, 0, 0xFF, 0xC0, 0, 0xFF, 0xC0, 0, 0xFF, 0xC0, 0};
    // Shift the whole picture one pixel right onto itself.
    src.fCanvas.Port()->CopyMask(*src.fCanvas.Port(), allSet, 3, 10, 4, CRect(0, 0, 9, 4), 1, 0);
    for (int y = 0; y < 4; ++y)
        for (int x = 1; x < 10; ++x)
            EXPECT_EQ(src.fCanvas.Pixel(x, y), SMaskedSource::Value(x - 1, y));
}
