#include "framework/graphics/CBMPUtils.h"

#include "framework/files/XBase.h"

#include <cstring>
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
            rgb = pixel & 0xFFFFFF;
            break;
        }
        case 16:
        {
            uint16_t pixel;
            std::memcpy(&pixel, row + 2 * x, 2);
            // Each 5-bit component moves to the top of its byte; the low bits stay 0.
            rgb = (uint32_t((pixel >> 10) & 0x1F) << 19) | (uint32_t((pixel >> 5) & 0x1F) << 11) |
                  (uint32_t(pixel & 0x1F) << 3);
            break;
        }
        case 8:
            rgb = colors[row[x]] & 0xFFFFFF;
            break;
        case 1:
            rgb = (row[x >> 3] & (0x80 >> (x & 7))) != 0 ? 0x000000 : 0xFFFFFF;
            break;
        }
        out[3 * x] = static_cast<unsigned char>(rgb);
        out[3 * x + 1] = static_cast<unsigned char>(rgb >> 8);
        out[3 * x + 2] = static_cast<unsigned char>(rgb >> 16);
    }
}

} // namespace

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
            const uint32_t pixel = (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
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
