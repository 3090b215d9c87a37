// A bitmap of 16-bit pixels in host order: bit 15 unused, then 5 bits each of red, green and
// blue (see CPixel32). Drawing goes through a 32-bit surface.
#pragma once
#include "framework/graphics/CABCBitmap.h"

namespace NSWayfarer
{

class CBitmap16 : public CABCBitmap
{
public:
    // Black. Throws XMacSystemOOM when the pixels cannot be had.
    CBitmap16(short width, short height) : CABCBitmap(width, height, 16, nullptr) {}

protected:
    void StoreRowToRGB(int y, uint32_t* out) const override;
    void RGBRowToStore(int y, const uint32_t* in) override;
};

} // namespace NSWayfarer
