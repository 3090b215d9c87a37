// The pixel format pictures are decoded into: the main screen's, or one asked for. At 8 bits
// it carries the colour table bitmaps are made with and that table as the decoder's colour map.
#pragma once
#include "framework/graphics/SColorTable.h"
#include <array>
#include <cstdint>
#include <memory>

namespace NSWayfarer
{

class CPalette;

class CBitmapDest
{
public:
    // The main screen's format. The screens here are direct colour; a screen deeper than 16
    // bits (24 or 32) and no screen at all give 32.
    CBitmapDest();
    // Depth 8, 16 or 32 (anything else is taken as 32). At 8 the table is made from the
    // palette (null: the standard palette); at other depths the palette is not used.
    CBitmapDest(unsigned char depth, const CPalette* palette);
    ~CBitmapDest();
    CBitmapDest(const CBitmapDest&) = delete;
    CBitmapDest& operator=(const CBitmapDest&) = delete;

    unsigned char GetBitDepth() const { return fDepth; }
    // Depth 8 only, else null.
    const CPalette* GetPalette() const { return fPalette.get(); }
    const SColorTable* GetColorTable() const { return fTable.get(); }
    // The colour map in the order the decoder delivers components (red, green, blue), each
    // row the high bytes of the table's components; null rows at other depths.
    unsigned char* const* GetColorMapRows() const { return fColorMapRows.data(); }
    // Fills the colour map from the table (depth 8 only).
    void PrecompileColors();

private:
    void MakeForPalette(const CPalette& palette);

    unsigned char fDepth = 32;
    std::unique_ptr<CPalette> fPalette;
    std::unique_ptr<SColorTable> fTable;
    std::array<std::array<unsigned char, 256>, 3> fColorMap{};
    std::array<unsigned char*, 3> fColorMapRows{};
};

} // namespace NSWayfarer
