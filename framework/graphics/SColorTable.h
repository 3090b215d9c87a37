// A colour table as the 8-bit pixel stores and palettes use it: up to 256 colours and a seed
// that changes whenever a table with other colours is made, so equal seeds mean equal tables.
#pragma once
#include "framework/graphics/CRGBColor.h"
#include <array>
#include <cstdint>

namespace NSWayfarer
{

struct SColorTable
{
    int32_t mSeed = 0;
    uint16_t mCount = 256;
    std::array<SMacRGBColor, 256> mEntries{};

    // A seed no table had before (thread-safe).
    static int32_t NewSeed();
};

} // namespace NSWayfarer
