// A bitmap of 32-bit pixels, each the word 0x00RRGGBB (see CPixel32): the format windows
// show, so it copies to them without conversion. The top byte is unused: this code writes 0
// there, cairo's drawing 0xFF, so pixels are compared through CPixel32::RGB.
#pragma once
#include "framework/graphics/CABCBitmap.h"

namespace NSWayfarer
{

class CBitmap32 : public CABCBitmap
{
public:
    // Black. Throws XMacSystemOOM when the pixels cannot be had.
    CBitmap32(short width, short height) : CABCBitmap(width, height, 32, nullptr) {}
    // Row y's pixels (no bounds check).
    uint32_t* GetRow(int y)
    {
        return reinterpret_cast<uint32_t*>(GetPixelPtr() + y * GetRowBytes());
    }
    const uint32_t* GetRow(int y) const
    {
        return reinterpret_cast<const uint32_t*>(GetPixelPtr() + y * GetRowBytes());
    }
};

} // namespace NSWayfarer
