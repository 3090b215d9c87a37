// What a bitmap is made of, in one record: size, row length, depth and (8-bit only) palette.
#pragma once
#include <cstdint>

namespace NSWayfarer
{

class CPalette;

struct CBitmapInfo
{
    int16_t mWidth = 0;
    int16_t mHeight = 0;
    int32_t mRowBytes = 0;
    uint8_t mBitDepth = 0;
    // Not owned.
    CPalette* mPalette = nullptr;
};

} // namespace NSWayfarer
