// A colour as three unsigned 16-bit intensities, with the framework's named colours.
// Surfaces keep 8 bits per component: the high byte of each.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

// The colour record the drawing port takes.
struct SMacRGBColor
{
    uint16_t mRed = 0;
    uint16_t mGreen = 0;
    uint16_t mBlue = 0;
};

class CRGBColor
{
public:
    // Black.
    CRGBColor() = default;
    CRGBColor(uint16_t red, uint16_t green, uint16_t blue) : fRed(red), fGreen(green), fBlue(blue)
    {
    }
    explicit CRGBColor(const SMacRGBColor& c) : fRed(c.mRed), fGreen(c.mGreen), fBlue(c.mBlue) {}

    void Set(uint16_t red, uint16_t green, uint16_t blue);
    bool IsEqual(const CRGBColor& other) const;

    uint16_t GetRed() const { return fRed; }
    uint16_t GetGreen() const { return fGreen; }
    uint16_t GetBlue() const { return fBlue; }
    SMacRGBColor MacGetColor() const;
    // 0x00RRGGBB from the high bytes, the pixel value of a 32-bit surface.
    uint32_t GetPixel32() const;

    // Shows the desktop's colour chooser with the prompt, starting from this colour, which
    // becomes the user's choice when confirmed. False when cancelled (or without a display).
    bool LetUserPick(const char* prompt);

    // The desktop theme's colours (see CRGBColor.cpp for which theme colour answers which
    // number); the boolean arguments of the list-view colours do not change them.
    static CRGBColor GetHighLightColor();
    static CRGBColor MacGetAppearanceTextColor(short themeTextColor);
    static CRGBColor GetListViewTextColor(bool active);
    static CRGBColor GetBevelButtonTextColor(bool enabled, bool pressed);
    static CRGBColor MacGetAppearanceBrushColor(short themeBrush);
    static CRGBColor GetListViewSeparatorColor(bool active);
    static CRGBColor GetListViewSortBackgroundColor(bool active);
    static CRGBColor GetListViewBackgroundColor(bool active);
    // Fixed, whatever the theme.
    static CRGBColor GetMetallicLight();
    static CRGBColor GetMetallicBackground();
    static CRGBColor GetMetallicShadow();
    static CRGBColor GetDocumentBackground();

    static const CRGBColor kWhite;
    static const CRGBColor kBlack;
    static const CRGBColor kGray;
    static const CRGBColor kLightGray;
    static const CRGBColor kDarkGray;
    static const CRGBColor kMediumDarkGray;
    static const CRGBColor kVeryDarkGray;
    static const CRGBColor kDarkGreen;
    static const CRGBColor kGreen;
    static const CRGBColor kRed;
    static const CRGBColor kBlue;
    static const CRGBColor kLightGreen;

private:
    uint16_t fRed = 0;
    uint16_t fGreen = 0;
    uint16_t fBlue = 0;
};

} // namespace NSWayfarer
