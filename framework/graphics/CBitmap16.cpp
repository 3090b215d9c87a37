#include "framework/graphics/CBitmap16.h"

#include "framework/graphics/CPixel32.h"

namespace NSWayfarer
{

void CBitmap16::StoreRowToRGB(int y, uint32_t* out) const
{
    const auto* row = reinterpret_cast<const uint16_t*>(RawPixels() + y * GetRowBytes());
    for (int x = 0; x < GetWidth(); ++x)
        out[x] = CPixel32::From16(row[x]);
}

void CBitmap16::RGBRowToStore(int y, const uint32_t* in)
{
    // The raw store: the callers have brought it up to date.
    auto* row = reinterpret_cast<uint16_t*>(RawPixels() + y * GetRowBytes());
    for (int x = 0; x < GetWidth(); ++x)
        row[x] = CPixel32::To16(in[x]);
}

} // namespace NSWayfarer
