// Reads uncompressed 24-bit BMP pictures into 32-bit bitmaps and writes any bitmap as a
// 24-bit BMP. The pixel loops work on plain pixel stores so that they need no bitmap.
#pragma once

#include "framework/graphics/CBMPHeader.h"
#include "framework/media/CMedia.h"

#include <cstdint>
#include <memory>

namespace NSWayfarer
{

class CABCBitmap;
class CBitmap32;
struct SColorIcon;

class CBMPUtils
{
public:
    // A new bitmap (caller owns) from the BMP that starts at the stream's position; the
    // stream is left after the last pixel row. XBadFormat for anything but an uncompressed
    // 24-bit picture of a sane size with all its rows in the stream; nothing is allocated
    // for a header that fails. Bottom-up and top-down files are both read.
    static CBitmap32* UnpackBMPTo32Bit(CMedia* media);
    // The bitmap as a 24-bit bottom-up BMP at the stream's position. 8-bit bitmaps go
    // through their own colour table, 1-bit ones as black and white. XBadFormat for a
    // depth that has no such picture, before anything is written.
    static void PackTo24BitBMP(CMedia* media, CABCBitmap* bitmap);
    // The colour icon of the BMP at the stream's position (its bottom-left colour left out);
    // null when the picture cannot be read or the icon made.
    static std::unique_ptr<SColorIcon> MacLoadBMP32IntoCIcon(CMedia* media);
    // Bytes PackTo24BitBMP writes for a width x height bitmap.
    static TMediaPos Calc24BitBMPSize(short width, short height);

    // --- The parts, on plain pixel stores -------------------------------------------------
    // The header at the stream's position, checked against the bytes the stream has from
    // there; the stream is left after the 54 bytes.
    static CBMPHeader ReadHeader(CMedia* media);
    // The rows the header describes, from the stream whose BMP starts at start, into a
    // 32-bit store (0x00RRGGBB words) of the header's size, rowBytes apart, top row first.
    static void ReadPixels(CMedia* media, TMediaPos start, const CBMPHeader& header,
                           unsigned char* pixels, long rowBytes);
    // Writes header and rows for a width x height store of the given depth (32: 0x00RRGGBB
    // words; 16: x1r5g5b5 words; 8: indices into colors, 256 0x00RRGGBB words; 1: MSB
    // first, set is black), rows rowBytes apart from the top. XBadFormat for another depth
    // or an 8-bit store without colours.
    static void WritePixels(CMedia* media, short width, short height, unsigned char depth,
                            const unsigned char* pixels, long rowBytes, const uint32_t* colors);
};

} // namespace NSWayfarer
