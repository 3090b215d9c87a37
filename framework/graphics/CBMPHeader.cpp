#include "framework/graphics/CBMPHeader.h"

#include "framework/files/XBase.h"
#include "framework/graphics/CBitmapUtils.h"

namespace NSWayfarer
{

namespace
{

uint16_t Get16(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Get32(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Put16(unsigned char* p, uint16_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void Put32(unsigned char* p, uint32_t v)
{
    Put16(p, static_cast<uint16_t>(v));
    Put16(p + 2, static_cast<uint16_t>(v >> 16));
}

} // namespace

void CBMPHeader::Unpack(const unsigned char* bytes)
{
    fMagic[0] = static_cast<char>(bytes[0]);
    fMagic[1] = static_cast<char>(bytes[1]);
    fFileSize = Get32(bytes + 2);
    fReserved = Get32(bytes + 6);
    fPixelDataOffset = Get32(bytes + 10);
    fInfoHeaderSize = Get32(bytes + 14);
    fStoredWidth = static_cast<int32_t>(Get32(bytes + 18));
    fStoredHeight = static_cast<int32_t>(Get32(bytes + 22));
    fWidth = static_cast<int16_t>(fStoredWidth & 0xFFFF);
    fHeight = static_cast<int16_t>(fStoredHeight & 0xFFFF);
    fPlanes = Get16(bytes + 26);
    fBitsPerPixel = Get16(bytes + 28);
    fCompression = Get32(bytes + 30);
    fImageSize = Get32(bytes + 34);
    fHorizontalResolution = Get32(bytes + 38);
    fVerticalResolution = Get32(bytes + 42);
    fColorsUsed = Get32(bytes + 46);
    fImportantColors = Get32(bytes + 50);
}

void CBMPHeader::Pack(unsigned char* bytes) const
{
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes + 2, fFileSize);
    Put32(bytes + 6, fReserved);
    Put32(bytes + 10, fPixelDataOffset);
    Put32(bytes + 14, fInfoHeaderSize);
    // The 16-bit sizes, sign-extended into the stored fields.
    Put32(bytes + 18, static_cast<uint32_t>(static_cast<int32_t>(fWidth)));
    Put32(bytes + 22, static_cast<uint32_t>(static_cast<int32_t>(fHeight)));
    Put16(bytes + 26, fPlanes);
    Put16(bytes + 28, fBitsPerPixel);
    Put32(bytes + 30, fCompression);
    Put32(bytes + 34, fImageSize);
    Put32(bytes + 38, fHorizontalResolution);
    Put32(bytes + 42, fVerticalResolution);
    Put32(bytes + 46, fColorsUsed);
    Put32(bytes + 50, fImportantColors);
}

uint32_t CBMPHeader::CalcPaddedRowBytes(short width)
{
    const uint32_t w = width > 0 ? static_cast<uint32_t>(width) : 0;
    return (w * 3 + 3) & ~3u;
}

CBMPHeader CBMPHeader::Make24Bit(short width, short height)
{
    if (width <= 0 || height <= 0)
        throw XBadFormat();
    CBMPHeader header;
    header.fWidth = width;
    header.fHeight = height;
    header.fStoredWidth = width;
    header.fStoredHeight = height;
    // At most 32767 rows of 98304 bytes: well inside 32 bits.
    header.fFileSize = kSize + CalcPaddedRowBytes(width) * static_cast<uint32_t>(height);
    return header;
}

void CBMPHeader::Check(int64_t streamSize) const
{
    if (fMagic[0] != 'B' || fMagic[1] != 'M' || fPlanes != 1 || fBitsPerPixel != 24 ||
        fCompression != 0)
        throw XBadFormat();
    // Longer information headers (later versions of the format) describe the same pixels;
    // shorter ones are not this format.
    if (fInfoHeaderSize < kInfoHeaderSize)
        throw XBadFormat();
    // The sizes must fit the 16-bit geometry whole, not just by their low bits.
    if (fStoredWidth <= 0 || fStoredWidth > INT16_MAX || fStoredHeight == 0 ||
        fStoredHeight > INT16_MAX || fStoredHeight < -INT16_MAX)
        throw XBadFormat();
    const uint64_t height = static_cast<uint64_t>(GetPictureHeight());
    if (!CBitmapUtils::IsSaneBitmapSize(fStoredWidth, GetPictureHeight(), 32))
        throw XBadFormat();
    const uint64_t pixelBytes = uint64_t(CalcPaddedRowBytes(fWidth)) * height;
    if (fPixelDataOffset < kSize || streamSize < 0 ||
        uint64_t(fPixelDataOffset) + pixelBytes > uint64_t(streamSize))
        throw XBadFormat();
}

} // namespace NSWayfarer
