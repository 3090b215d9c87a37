// One JPEG decompression over a memory block with the library's 6b interface: a fatal
// decoder error becomes XBadFormat instead of ending the process, warnings stay quiet, and
// data that runs out ends in an end-of-image marker so a truncated picture decodes what
// it has.
#pragma once
#include "framework/graphics/CRGBColor.h"
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace NSWayfarer
{

class CJPEGDecoder
{
public:
    // Most scans a picture may have: progressive pictures of many scans cost a pass each.
    static constexpr int kMaxScans = 256;
    // Most memory the decoder may take for one picture.
    static constexpr long kMaxDecoderMemory = 384L << 20;

    enum EOutput
    {
        // Three bytes a pixel: red, green, blue.
        kRGB,
        // One 0x00RRGGBB word a pixel as far as red, green and blue go; the unused byte is
        // the library's and must be masked off by the caller.
        kPixel32,
        // One byte a pixel, the index into an external colour map, Floyd-Steinberg dithered.
        kIndexed
    };

    // Reads the header: XBadFormat for data that is not a JPEG picture.
    CJPEGDecoder(const uint8_t* data, size_t length);
    ~CJPEGDecoder();
    CJPEGDecoder(const CJPEGDecoder&) = delete;
    CJPEGDecoder& operator=(const CJPEGDecoder&) = delete;

    long GetWidth() const;
    long GetHeight() const;
    // Starts decompression. For kIndexed, colorMapRows are three rows of 256 bytes in red,
    // green, blue order. XBadFormat on any decoder error.
    void Start(EOutput output, unsigned char* const* colorMapRows = nullptr);
    // The next row into row (wide enough for the output); XBadFormat on a decoder error.
    void ReadRow(unsigned char* row);
    // After the last row.
    void Finish();
    // Warnings the decoder gave (corrupt data it went past).
    long GetWarningCount() const;

    // Up to `count` colours that represent the picture, picked by the library's two-pass
    // quantiser. XBadFormat for data that is no picture.
    static std::vector<CRGBColor> PickColors(const uint8_t* data, size_t length, int count);

private:
    struct SState;
    std::unique_ptr<SState> fState;
};

} // namespace NSWayfarer
