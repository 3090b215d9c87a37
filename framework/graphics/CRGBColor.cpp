#include "framework/graphics/CRGBColor.h"

namespace NSWayfarer
{

const CRGBColor CRGBColor::kWhite(65535, 65535, 65535);
const CRGBColor CRGBColor::kBlack(0, 0, 0);
const CRGBColor CRGBColor::kGray(52428, 52428, 52428);
const CRGBColor CRGBColor::kLightGray(61166, 61166, 61166);
const CRGBColor CRGBColor::kDarkGray(30583, 30583, 30583);
const CRGBColor CRGBColor::kMediumDarkGray(41505, 41505, 41505);
const CRGBColor CRGBColor::kVeryDarkGray(15291, 15291, 15291);
const CRGBColor CRGBColor::kDarkGreen(0, 30583, 0);
const CRGBColor CRGBColor::kGreen(0, 52428, 0);
const CRGBColor CRGBColor::kRed(65535, 0, 0);
const CRGBColor CRGBColor::kBlue(0, 0, 65535);
const CRGBColor CRGBColor::kLightGreen(44553, 65535, 47582);

void CRGBColor::Set(uint16_t red, uint16_t green, uint16_t blue)
{
    fRed = red;
    fGreen = green;
    fBlue = blue;
}

bool CRGBColor::IsEqual(const CRGBColor& other) const
{
    return fRed == other.fRed && fGreen == other.fGreen && fBlue == other.fBlue;
}

SMacRGBColor CRGBColor::MacGetColor() const
{
    SMacRGBColor c;
    c.mRed = fRed;
    c.mGreen = fGreen;
    c.mBlue = fBlue;
    return c;
}

uint32_t CRGBColor::GetPixel32() const
{
    return (uint32_t(fRed >> 8) << 16) | (uint32_t(fGreen >> 8) << 8) | uint32_t(fBlue >> 8);
}

} // namespace NSWayfarer
