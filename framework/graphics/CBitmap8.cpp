#include "framework/graphics/CBitmap8.h"

#include "framework/graphics/CPalette.h"
#include "framework/graphics/CPixel32.h"

namespace NSWayfarer
{

CBitmap8::CBitmap8(short width, short height, const SColorTable& table)
    : CABCBitmap(width, height, 8, &table)
{
}

CBitmap8::CBitmap8(short width, short height, const CPalette* palette)
    : CABCBitmap(width, height, 8,
                 (palette != nullptr ? *palette : CPalette::GetStandardPalette())
                     .MacCreateColorTable()
                     .get())
{
}

void CBitmap8::InvertBlackAndWhite()
{
    unsigned char* pixels = OpenEdit();
    for (int y = 0; y < GetHeight(); ++y)
    {
        unsigned char* row = pixels + y * GetRowBytes();
        for (int x = 0; x < GetWidth(); ++x)
        {
            if (row[x] == 0)
                row[x] = 255;
            else if (row[x] == 255)
                row[x] = 0;
        }
    }
    CloseEdit(&pixels);
}

uint8_t CBitmap8::FindIndex(uint32_t pixel) const
{
    pixel = CPixel32::RGB(pixel);
    const auto known = fIndexCache.find(pixel);
    if (known != fIndexCache.end())
        return known->second;
    const SColorTable* table = GetColorTable();
    uint8_t best = 0;
    long bestDistance = -1;
    const int count = table != nullptr ? std::min<int>(table->mCount, 256) : 0;
    for (int i = 0; i < count; ++i)
    {
        const SMacRGBColor& c = table->mEntries[static_cast<size_t>(i)];
        const long dr = long(c.mRed >> 8) - CPixel32::Red(pixel);
        const long dg = long(c.mGreen >> 8) - CPixel32::Green(pixel);
        const long db = long(c.mBlue >> 8) - CPixel32::Blue(pixel);
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance)
        {
            bestDistance = distance;
            best = static_cast<uint8_t>(i);
            if (distance == 0)
                break;
        }
    }
    fIndexCache.emplace(pixel, best);
    return best;
}

void CBitmap8::StoreRowToRGB(int y, uint32_t* out) const
{
    const unsigned char* row = RawPixels() + y * GetRowBytes();
    const SColorTable* table = GetColorTable();
    for (int x = 0; x < GetWidth(); ++x)
    {
        const SMacRGBColor& c = table->mEntries[row[x]];
        out[x] =
            CPixel32::Make(uint8_t(c.mRed >> 8), uint8_t(c.mGreen >> 8), uint8_t(c.mBlue >> 8));
    }
}

void CBitmap8::RGBRowToStore(int y, const uint32_t* in)
{
    unsigned char* row = RawPixels() + y * GetRowBytes();
    for (int x = 0; x < GetWidth(); ++x)
        row[x] = FindIndex(in[x]);
}

} // namespace NSWayfarer
