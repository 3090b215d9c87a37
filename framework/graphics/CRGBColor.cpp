#include "framework/graphics/CRGBColor.h"

#include "platform/display/CDisplayTheme.h"

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

namespace
{

using NSPlatform::CDisplayTheme;

CRGBColor Theme(CDisplayTheme::ERole role)
{
    const CDisplayTheme::SColor c = CDisplayTheme::GetColor(role);
    return CRGBColor(c.mRed, c.mGreen, c.mBlue);
}

// Which theme colour answers which number of the platform's numbered text colours:
//   -1 black, -2 white;
//   the inactive and disabled ones (2, 4, 6, 8, 10, 13, 16, 19, 24, 26, 28, 30, 33, 36, 38,
//   42, 43, 46): the theme's insensitive text;
//   the selected ones (32 root menu, 35 menu item, 44 icon label): text on the selection;
//   22 (list view): the text of lists and text views;
//   every other number (active dialog, button, title, menu and tab text): the theme's text.
CDisplayTheme::ERole TextRole(short number)
{
    switch (number)
    {
    case 2:
    case 4:
    case 6:
    case 8:
    case 10:
    case 13:
    case 16:
    case 19:
    case 24:
    case 26:
    case 28:
    case 30:
    case 33:
    case 36:
    case 38:
    case 42:
    case 43:
    case 46:
        return CDisplayTheme::kDisabledText;
    case 32:
    case 35:
    case 44:
        return CDisplayTheme::kSelectedText;
    case 22:
        return CDisplayTheme::kViewText;
    default:
        return CDisplayTheme::kText;
    }
}

} // namespace

bool CRGBColor::LetUserPick(const char* prompt)
{
    CDisplayTheme::SColor color{fRed, fGreen, fBlue};
    if (!CDisplayTheme::PickColor(prompt, &color))
        return false;
    Set(color.mRed, color.mGreen, color.mBlue);
    return true;
}

CRGBColor CRGBColor::GetHighLightColor()
{
    return Theme(CDisplayTheme::kSelection);
}

CRGBColor CRGBColor::MacGetAppearanceTextColor(short themeTextColor)
{
    if (themeTextColor == -1)
        return kBlack;
    if (themeTextColor == -2)
        return kWhite;
    return Theme(TextRole(themeTextColor));
}

CRGBColor CRGBColor::GetListViewTextColor(bool)
{
    return MacGetAppearanceTextColor(22);
}

CRGBColor CRGBColor::GetBevelButtonTextColor(bool enabled, bool pressed)
{
    if (!enabled)
        return MacGetAppearanceTextColor(16);
    return MacGetAppearanceTextColor(pressed ? 17 : 15);
}

// Which theme colour answers which numbered brush:
//   -1 black, -2 white, -3 and -4 (highlights): the selection;
//   9 (list view sort column): the view background darkened a sixteenth towards its text;
//   10, 11, 15, 16 (list view, icon label, document and finder windows): the view background;
//   12, 17, 18 (list separator, scroll bar delimiters): the theme's border colour;
//   13, 20, 21 (chasing arrows, active and pressed popup arrows): the theme's text;
//   22 (inactive popup arrow): the insensitive text;
//   14, 19, 24 (drag and focus highlights, selected icon label): the selection;
//   every other number (dialog, alert and window backgrounds): the window background.
CRGBColor CRGBColor::MacGetAppearanceBrushColor(short themeBrush)
{
    switch (themeBrush)
    {
    case -1:
        return kBlack;
    case -2:
        return kWhite;
    case -3:
    case -4:
    case 14:
    case 19:
    case 24:
        return Theme(CDisplayTheme::kSelection);
    case 9:
    {
        const CRGBColor base = Theme(CDisplayTheme::kViewBackground);
        const CRGBColor text = Theme(CDisplayTheme::kViewText);
        auto mix = [](uint16_t a, uint16_t b) { return static_cast<uint16_t>((a * 15L + b) / 16); };
        return CRGBColor(mix(base.GetRed(), text.GetRed()), mix(base.GetGreen(), text.GetGreen()),
                         mix(base.GetBlue(), text.GetBlue()));
    }
    case 10:
    case 11:
    case 15:
    case 16:
        return Theme(CDisplayTheme::kViewBackground);
    case 12:
    case 17:
    case 18:
        return Theme(CDisplayTheme::kBorder);
    case 13:
    case 20:
    case 21:
        return Theme(CDisplayTheme::kText);
    case 22:
        return Theme(CDisplayTheme::kDisabledText);
    default:
        return Theme(CDisplayTheme::kBackground);
    }
}

CRGBColor CRGBColor::GetListViewSeparatorColor(bool)
{
    return MacGetAppearanceBrushColor(12);
}

CRGBColor CRGBColor::GetListViewSortBackgroundColor(bool)
{
    return MacGetAppearanceBrushColor(9);
}

CRGBColor CRGBColor::GetListViewBackgroundColor(bool)
{
    return MacGetAppearanceBrushColor(10);
}

CRGBColor CRGBColor::GetMetallicLight()
{
    return CRGBColor(65535, 65535, 65535);
}

CRGBColor CRGBColor::GetMetallicBackground()
{
    return CRGBColor(56832, 56832, 56832);
}

CRGBColor CRGBColor::GetMetallicShadow()
{
    return CRGBColor(43690, 43690, 43690);
}

CRGBColor CRGBColor::GetDocumentBackground()
{
    return CRGBColor(65535, 65535, 65535);
}

} // namespace NSWayfarer
