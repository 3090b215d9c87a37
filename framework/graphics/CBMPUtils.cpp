#include "framework/graphics/CBMPUtils.h"

#include "framework/files/XBase.h"
#include "framework/graphics/CBitmap32.h"
#include "framework/graphics/CBitmapUtils.h"
#include "framework/graphics/CPixel32.h"

#include <cstring>
#include <memory>
#include <vector>

namespace NSWayfarer
{

namespace
{

// One stored row (blue, green, red per pixel) from a row of the given store.
void PackRow(unsigned char* out, short width, unsigned char depth, const unsigned char* row,
             const uint32_t* colors)
{
    for (int x = 0; x < width; ++x)
    {
        uint32_t rgb = 0;
        switch (depth)
        {
        case 32:
        {
            uint32_t pixel;
            std::memcpy(&pixel, row + 4 * x, 4);
            rgb = CPixel32::RGB(pixel);
            break;
        }
        case 16:
        {
            uint16_t pixel;
            std::memcpy(&pixel, row + 2 * x, 2);
            // Each 5-bit component moves to the top of its byte; the low bits stay 0.
            rgb = CPixel32::Make(uint8_t(CPixel32::Red16(pixel) << 3),
                                 uint8_t(CPixel32::Green16(pixel) << 3),
                                 uint8_t(CPixel32::Blue16(pixel) << 3));
            break;
        }
        case 8:
            rgb = CPixel32::RGB(colors[row[x]]);
            break;
        case 1:
            rgb = (row[x >> 3] & (0x80 >> (x & 7))) != 0 ? CPixel32::Make(0, 0, 0)
                                                         : CPixel32::Make(255, 255, 255);
            break;
        }
        out[3 * x] = CPixel32::Blue(rgb);
        out[3 * x + 1] = CPixel32::Green(rgb);
        out[3 * x + 2] = CPixel32::Red(rgb);
    }
}

} // namespace

CBitmap32* CBMPUtils::UnpackBMPTo32Bit(CMedia* media)
{
    const TMediaPos start = media->GetPos();
    // The header's checks come before anything is allocated for it.
    const CBMPHeader header = ReadHeader(media);
    std::unique_ptr<CBitmap32> bitmap(new CBitmap32(header.fWidth, header.GetPictureHeight()));
    unsigned char* pixels = bitmap->OpenEdit();
    ReadPixels(media, start, header, pixels, bitmap->GetRowBytes());
    bitmap->CloseEdit(&pixels);
    return bitmap.release();
}

void CBMPUtils::PackTo24BitBMP(CMedia* media, CABCBitmap* bitmap)
{
    if (bitmap == nullptr)
        throw XBadFormat();
    const unsigned char depth = bitmap->GetBitDepth();
    // An 8-bit bitmap's colours come from its own table: it has no palette to ask.
    uint32_t colors[256] = {};
    if (depth == 8)
    {
        const SColorTable* table = bitmap->GetColorTable();
        if (table == nullptr)
            throw XBadFormat();
        for (size_t i = 0; i < table->mEntries.size(); ++i)
            colors[i] = CPixel32::FromColor(CRGBColor(table->mEntries[i]));
    }
    const unsigned char* pixels = bitmap->OpenRead();
    try
    {
        WritePixels(media, bitmap->GetWidth(), bitmap->GetHeight(), depth, pixels,
                    bitmap->GetRowBytes(), depth == 8 ? colors : nullptr);
    }
    catch (...)
    {
        bitmap->CloseRead(&pixels);
        throw;
    }
    bitmap->CloseRead(&pixels);
}

std::unique_ptr<SColorIcon> CBMPUtils::MacLoadBMP32IntoCIcon(CMedia* media)
{
    try
    {
        const std::unique_ptr<CBitmap32> bitmap(UnpackBMPTo32Bit(media));
        return std::make_unique<SColorIcon>(CBitmapUtils::MacBuildCIcon(bitmap.get()));
    }
    catch (...)
    {
        return nullptr;
    }
}

TMediaPos CBMPUtils::Calc24BitBMPSize(short width, short height)
{
    return static_cast<TMediaPos>(CBMPHeader::Make24Bit(width, height).fFileSize);
}

CBMPHeader CBMPUtils::ReadHeader(CMedia* media)
{
    const TMediaPos start = media->GetPos();
    unsigned char bytes[CBMPHeader::kSize];
    const TMediaPos size = media->GetSize();
    if (start < 0 || size - start < CBMPHeader::kSize)
        throw XBadFormat();
    media->Read(CBMPHeader::kSize, bytes);
    CBMPHeader header;
    header.Unpack(bytes);
    header.Check(int64_t(size) - start);
    return header;
}

void CBMPUtils::ReadPixels(CMedia* media, TMediaPos start, const CBMPHeader& header,
                           unsigned char* pixels, long rowBytes)
{
    const short width = header.fWidth;
    const short height = header.GetPictureHeight();
    const uint32_t stored = CBMPHeader::CalcPaddedRowBytes(width);
    // A row buffer for this picture: no width limit beyond the header's checks.
    std::vector<unsigned char> buffer(stored);
    // The offset counts from the picture's first byte, wherever it sits in the stream.
    media->SetPos(start + static_cast<TMediaPos>(header.fPixelDataOffset));
    for (int n = 0; n < height; ++n)
    {
        media->Read(static_cast<TMediaPos>(stored), buffer.data());
        const int y = header.IsTopDown() ? n : height - 1 - n;
        unsigned char* row = pixels + static_cast<long>(y) * rowBytes;
        for (int x = 0; x < width; ++x)
        {
            const unsigned char* p = buffer.data() + 3 * x;
            const uint32_t pixel = CPixel32::Make(p[2], p[1], p[0]);
            std::memcpy(row + 4 * x, &pixel, 4);
        }
    }
}

void CBMPUtils::WritePixels(CMedia* media, short width, short height, unsigned char depth,
                            const unsigned char* pixels, long rowBytes, const uint32_t* colors)
{
    if ((depth != 32 && depth != 16 && depth != 8 && depth != 1) ||
        (depth == 8 && colors == nullptr))
        throw XBadFormat();
    const CBMPHeader header = CBMPHeader::Make24Bit(width, height);
    unsigned char bytes[CBMPHeader::kSize];
    header.Pack(bytes);
    media->Write(CBMPHeader::kSize, bytes);
    const uint32_t stored = CBMPHeader::CalcPaddedRowBytes(width);
    std::vector<unsigned char> buffer(stored, 0);
    for (int y = height - 1; y >= 0; --y)
    {
        PackRow(buffer.data(), width, depth, pixels + static_cast<long>(y) * rowBytes, colors);
        media->Write(static_cast<TMediaPos>(stored), buffer.data());
    }
}

} // namespace NSWayfarer
