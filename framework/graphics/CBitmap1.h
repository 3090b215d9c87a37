// A bitmap of 1-bit pixels, eight to a byte with the leftmost in the most significant bit;
// a set bit is black. Masks are made of these. Drawing goes through a 32-bit surface, dark
// colours becoming black.
#pragma once
#include "framework/graphics/CABCBitmap.h"

namespace NSWayfarer
{

class CBitmap1 : public CABCBitmap
{
public:
    // White. Throws XMacSystemOOM when the pixels cannot be had.
    CBitmap1(short width, short height) : CABCBitmap(width, height, 1, nullptr) {}

    // Inverts the whole bytes of each row (width / 8 of them): the pixels of a last partial
    // byte keep their values.
    void InvertBlackAndWhite();
    static unsigned char SetBitWhite(unsigned char byte, unsigned char mask)
    {
        return static_cast<unsigned char>(byte & ~mask);
    }
    static unsigned char SetBitBlack(unsigned char byte, unsigned char mask)
    {
        return static_cast<unsigned char>(byte | mask);
    }
    bool IsBlack(short x, short y) const;
    void SetBlack(short x, short y, bool black);

protected:
    void StoreRowToRGB(int y, uint32_t* out) const override;
    void RGBRowToStore(int y, const uint32_t* in) override;
};

} // namespace NSWayfarer
