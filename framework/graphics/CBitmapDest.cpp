#include "framework/graphics/CBitmapDest.h"

#include "framework/graphics/CGraphicManager.h"
#include "framework/graphics/CPalette.h"

namespace NSWayfarer
{

namespace
{

unsigned char SupportedDepth(unsigned depth)
{
    if (depth == 8 || depth == 16)
        return static_cast<unsigned char>(depth);
    return 32;
}

} // namespace

CBitmapDest::CBitmapDest()
{
    const unsigned depth = CGraphicManager::gGraphicMgr != nullptr
                               ? CGraphicManager::gGraphicMgr->GetMainScreenBitDepth()
                               : 0;
    // An indexed screen is not offered by the display layer; 8 bits stay available on request.
    fDepth = depth == 16 ? 16 : 32;
}

CBitmapDest::CBitmapDest(unsigned char depth, const CPalette* palette)
    : fDepth(SupportedDepth(depth))
{
    if (fDepth == 8)
        MakeForPalette(palette != nullptr ? *palette : CPalette::GetStandardPalette());
}

CBitmapDest::~CBitmapDest() = default;

void CBitmapDest::MakeForPalette(const CPalette& palette)
{
    fTable = palette.MacCreateColorTable();
    fPalette = std::make_unique<CPalette>(*fTable);
    PrecompileColors();
}

void CBitmapDest::PrecompileColors()
{
    if (fDepth != 8 || fTable == nullptr)
        return;
    for (size_t i = 0; i < 256; ++i)
    {
        const SMacRGBColor& c = fTable->mEntries[i];
        fColorMap[0][i] = static_cast<unsigned char>(c.mRed >> 8);
        fColorMap[1][i] = static_cast<unsigned char>(c.mGreen >> 8);
        fColorMap[2][i] = static_cast<unsigned char>(c.mBlue >> 8);
    }
    for (size_t i = 0; i < 3; ++i)
        fColorMapRows[i] = fColorMap[i].data();
}

} // namespace NSWayfarer
