// The 54-byte header of an uncompressed 24-bit BMP file (file header and the 40-byte
// information header, little-endian), and the checks a header from a file must pass
// before its pixels are read.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CBMPHeader
{
public:
    static constexpr int kSize = 54;
    static constexpr uint32_t kInfoHeaderSize = 40;

    // Width and height keep the low 16 bits of their stored 32-bit fields; the whole
    // stored values stay in fStoredWidth and fStoredHeight for the checks.
    void Unpack(const unsigned char* bytes);
    // Always with the magic "BM".
    void Pack(unsigned char* bytes) const;

    // The header of a 24-bit, bottom-up file for a width x height picture, as the writer
    // makes it. XBadFormat when such a file could not be described.
    static CBMPHeader Make24Bit(short width, short height);

    // XBadFormat unless this is an uncompressed 24-bit picture whose pixel rows lie within
    // the streamSize bytes that start with the header, and whose 32-bit bitmap is within the
    // size any bitmap from a file may have (so a hostile header cannot ask for gigabytes).
    void Check(int64_t streamSize) const;

    // Rows are stored top-down when the stored height is negative.
    bool IsTopDown() const { return fStoredHeight < 0; }
    short GetPictureHeight() const
    {
        return static_cast<short>(fStoredHeight < 0 ? -fStoredHeight : fStoredHeight);
    }
    // Bytes of one stored row: three per pixel, padded to a multiple of 4.
    static uint32_t CalcPaddedRowBytes(short width);

    char fMagic[2] = {'B', 'M'};
    uint32_t fFileSize = 0;
    uint32_t fReserved = 0;
    uint32_t fPixelDataOffset = kSize;
    uint32_t fInfoHeaderSize = kInfoHeaderSize;
    int16_t fWidth = 0;
    int16_t fHeight = 0;
    uint16_t fPlanes = 1;
    uint16_t fBitsPerPixel = 24;
    uint32_t fCompression = 0;
    uint32_t fImageSize = 0;
    uint32_t fHorizontalResolution = 1000;
    uint32_t fVerticalResolution = 1000;
    uint32_t fColorsUsed = 0;
    uint32_t fImportantColors = 0;

    int32_t fStoredWidth = 0;
    int32_t fStoredHeight = 0;
};

} // namespace NSWayfarer
