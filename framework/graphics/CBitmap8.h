// A bitmap of 8-bit pixels, each an index into the bitmap's own 256-entry colour table.
// Drawing goes through a 32-bit surface; drawn colours become the table's nearest.
#pragma once
#include "framework/graphics/CABCBitmap.h"
#include <unordered_map>

namespace NSWayfarer
{

class CPalette;

class CBitmap8 : public CABCBitmap
{
public:
    // With a copy of the table (index 0, white in the framework's tables). Throws
    // XMacSystemOOM when the pixels cannot be had.
    CBitmap8(short width, short height, const SColorTable& table);
    // With a table made from the palette (null: the standard palette).
    CBitmap8(short width, short height, const CPalette* palette);

    // Swaps indices 0 and 255 (white and black) in every pixel; others stay.
    void InvertBlackAndWhite();
    // The table index closest to the colour (an exact match when there is one).
    uint8_t FindIndex(uint32_t pixel) const;

protected:
    void StoreRowToRGB(int y, uint32_t* out) const override;
    void RGBRowToStore(int y, const uint32_t* in) override;

private:
    mutable std::unordered_map<uint32_t, uint8_t> fIndexCache;
};

} // namespace NSWayfarer
