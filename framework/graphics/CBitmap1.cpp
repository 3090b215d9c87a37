#include "framework/graphics/CBitmap1.h"

#include "framework/graphics/CPixel32.h"

namespace NSWayfarer
{

void CBitmap1::InvertBlackAndWhite()
{
    unsigned char* pixels = OpenEdit();
    const int wholeBytes = GetWidth() / 8;
    for (int y = 0; y < GetHeight(); ++y)
    {
        unsigned char* row = pixels + y * GetRowBytes();
        for (int i = 0; i < wholeBytes; ++i)
            row[i] = static_cast<unsigned char>(~row[i]);
    }
    CloseEdit(&pixels);
}

bool CBitmap1::IsBlack(short x, short y) const
{
    if (x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight())
        return false;
    const unsigned char* row = GetPixelPtr() + y * GetRowBytes();
    return (row[x >> 3] & (0x80 >> (x & 7))) != 0;
}

void CBitmap1::SetBlack(short x, short y, bool black)
{
    if (x < 0 || y < 0 || x >= GetWidth() || y >= GetHeight())
        return;
    unsigned char* row = GetPixelPtr() + y * GetRowBytes();
    const auto mask = static_cast<unsigned char>(0x80 >> (x & 7));
    row[x >> 3] = black ? SetBitBlack(row[x >> 3], mask) : SetBitWhite(row[x >> 3], mask);
}

void CBitmap1::StoreRowToRGB(int y, uint32_t* out) const
{
    const unsigned char* row = RawPixels() + y * GetRowBytes();
    for (int x = 0; x < GetWidth(); ++x)
        out[x] = (row[x >> 3] & (0x80 >> (x & 7))) != 0 ? 0x000000u : 0xFFFFFFu;
}

void CBitmap1::RGBRowToStore(int y, const uint32_t* in)
{
    unsigned char* row = RawPixels() + y * GetRowBytes();
    for (int x = 0; x < GetWidth(); ++x)
    {
        const uint32_t p = in[x];
        // Luminance below the middle is black.
        const unsigned luminance =
            (CPixel32::Red(p) * 30u + CPixel32::Green(p) * 59u + CPixel32::Blue(p) * 11u) / 100u;
        const auto mask = static_cast<unsigned char>(0x80 >> (x & 7));
        row[x >> 3] =
            luminance < 128 ? SetBitBlack(row[x >> 3], mask) : SetBitWhite(row[x >> 3], mask);
    }
}

} // namespace NSWayfarer
