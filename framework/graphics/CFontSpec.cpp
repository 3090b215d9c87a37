#include "framework/graphics/CFontSpec.h"

#include <cstring>

namespace NSWayfarer
{

namespace
{

TThemeFontSource gThemeFontSource = nullptr;

// Used until the platform installs the desktop's fonts, and for numbers it does not know.
CFontSpec BuiltInThemeFont(unsigned short themeFont)
{
    switch (themeFont)
    {
    case CFontSpec::kThemeSmallSystemFont:
    case CFontSpec::kThemeLabelFont:
        return CFontSpec("Arial", 10);
    case CFontSpec::kThemeSmallEmphasizedSystemFont:
        return CFontSpec("Arial", 10, true, false, false);
    case CFontSpec::kThemeEmphasizedSystemFont:
        return CFontSpec("Arial", 12, true, false, false);
    case CFontSpec::kThemeApplicationFont:
        return CFontSpec("Arial", 9);
    default:
        return CFontSpec("Arial", 12);
    }
}

} // namespace

CFontSpec::CFontSpec(const char* name, unsigned char size) : fSize(size)
{
    SetName(name);
}

CFontSpec::CFontSpec(const char* name, unsigned char size, bool bold, bool italic, bool underline)
    : fSize(size), fBold(bold), fItalic(italic), fUnderline(underline)
{
    SetName(name);
}

void CFontSpec::SetName(const char* name)
{
    std::memset(fName, 0, sizeof fName);
    if (name == nullptr)
        return;
    size_t len = strnlen(name, kMaxNameLength + 1);
    if (len > kMaxNameLength)
    {
        len = kMaxNameLength;
        // Back off continuation bytes so the cut name stays valid UTF-8.
        while (len > 0 && (static_cast<unsigned char>(name[len]) & 0xC0) == 0x80)
            --len;
    }
    std::memcpy(fName, name, len);
}

bool CFontSpec::IsEqual(const CFontSpec& other) const
{
    return fSize == other.fSize && fBold == other.fBold && fItalic == other.fItalic &&
           fUnderline == other.fUnderline && std::strcmp(fName, other.fName) == 0;
}

short CFontSpec::GetStyle() const
{
    return static_cast<short>((fBold ? kBoldBit : 0) | (fItalic ? kItalicBit : 0) |
                              (fUnderline ? kUnderlineBit : 0));
}

CFontSpec CFontSpec::GetSystemFont()
{
    return MacGetAppearanceFont(kThemeSystemFont);
}

CFontSpec CFontSpec::GetSmallSystemFont()
{
    return MacGetAppearanceFont(kThemeSmallSystemFont);
}

CFontSpec CFontSpec::GetSmallEmphasizedSystemFont()
{
    return MacGetAppearanceFont(kThemeSmallEmphasizedSystemFont);
}

CFontSpec CFontSpec::GetViewsFont()
{
    return MacGetAppearanceFont(kThemeViewsFont);
}

CFontSpec CFontSpec::MacGetAppearanceFont(unsigned short themeFont)
{
    if (gThemeFontSource != nullptr)
    {
        CFontSpec spec("", 0);
        // A nameless or zero-sized answer would draw nothing visible: take the default.
        if (gThemeFontSource(themeFont, &spec) && spec.fName[0] != '\0' && spec.fSize != 0)
            return spec;
    }
    return BuiltInThemeFont(themeFont);
}

void CFontSpec::SetThemeFontSource(TThemeFontSource source)
{
    gThemeFontSource = source;
}

} // namespace NSWayfarer
