// A 256-colour palette on the framework's layout: 20 fixed greys at both ends (white at 0,
// black at 255) and 236 free colours in indices 5 to 240. 8-bit bitmaps and destinations
// are built on these.
#pragma once
#include "framework/graphics/CRGBColor.h"
#include "framework/graphics/SColorTable.h"
#include <memory>

namespace NSWayfarer
{

class CPalette
{
public:
    static constexpr int kFixedColorCount = 20;
    static constexpr int kFreeColorCount = 236;
    static constexpr int kFirstFreeIndex = 5;
    // Values of the 20 fixed greys (red, green and blue alike); 0 to 4 go to indices 0 to 4,
    // 5 to 19 to indices 241 to 255.
    static const uint16_t gFixedWayfarerColors[kFixedColorCount];

    // The 236 free colours, in order; the array must hold that many.
    explicit CPalette(const CRGBColor* freeColors);
    // The colours of a table; entries past its count are black.
    explicit CPalette(const SColorTable& table);
    ~CPalette() = default;
    CPalette(const CPalette&) = delete;
    CPalette& operator=(const CPalette&) = delete;

    CRGBColor GetColor(unsigned short index) const;
    // All 256 colours.
    void GetPaletteArray(CRGBColor* colors) const;
    // A new table with these colours and a fresh seed; the caller owns it.
    std::unique_ptr<SColorTable> MacCreateColorTable() const;
    // The palette's own store.
    const SColorTable& GetNative() const { return fTable; }

    // The "SCOL" resource of that number: 236 colours as red, green, blue bytes (708 bytes;
    // a shorter resource leaves the rest black). Missing: the resource file's exceptions.
    static CPalette* LoadWayfarerSCOL(short resourceNumber);
    // The 256 colours the picture resource of that number needs (XNotFound when missing,
    // XBase when its colours cannot be found).
    static CPalette* MacLoadPict(short resourceNumber);
    // The colours of a picture given as JPEG data: fixed greys plus up to 236 colours picked
    // by the decoder's two-pass quantiser. XBadFormat for data that is no picture.
    static CPalette* MakeFromJPEG(const uint8_t* data, size_t length);
    // The palette the graphics manager hands out: a grey ramp in the free entries.
    static const CPalette& GetStandardPalette();

private:
    void SetFixedColors();
    SColorTable fTable;
};

// The framework's reserved free colours, black until someone fills them.
extern CRGBColor kWayfarerStandardPalette[CPalette::kFreeColorCount];

} // namespace NSWayfarer
