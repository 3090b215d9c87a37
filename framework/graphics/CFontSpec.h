// A font as views ask for it: family name, size in points (one point is one pixel at the
// framework's 72 dpi) and three style flags. Also the desktop's theme fonts, which the
// platform layer supplies through a function it installs.
#pragma once

#include <cstdint>

namespace NSWayfarer
{

class CFontSpec;

// Fills spec with theme font number themeFont and returns true, or returns false when the
// platform has no such font (the built-in default is used then).
using TThemeFontSource = bool (*)(unsigned short themeFont, CFontSpec* spec);

class CFontSpec
{
public:
    static constexpr int kMaxNameLength = 64;
    enum EStyleBit : short
    {
        kBoldBit = 1,
        kItalicBit = 2,
        kUnderlineBit = 4
    };
    enum EThemeFont : unsigned short
    {
        kThemeSystemFont = 0,
        kThemeSmallSystemFont = 1,
        kThemeSmallEmphasizedSystemFont = 2,
        kThemeViewsFont = 3,
        kThemeEmphasizedSystemFont = 4,
        kThemeApplicationFont = 5,
        kThemeLabelFont = 6
    };

    // A longer name is cut at kMaxNameLength bytes (never inside a UTF-8 sequence); a null
    // name is the empty name.
    CFontSpec(const char* name, unsigned char size);
    CFontSpec(const char* name, unsigned char size, bool bold, bool italic, bool underline);

    // Name (case-sensitive), size and style; the magic value is not compared.
    bool IsEqual(const CFontSpec& other) const;
    bool operator==(const CFontSpec& other) const { return IsEqual(other); }

    const char* GetName() const { return fName; }
    unsigned char GetSize() const { return fSize; }
    bool IsBold() const { return fBold; }
    bool IsItalic() const { return fItalic; }
    bool IsUnderline() const { return fUnderline; }
    // Bold 1, italic 2, underline 4.
    short GetStyle() const;
    uint32_t GetMagic() const { return fMagic; }
    static uint32_t CalcMagic() { return 0; }

    static CFontSpec GetSystemFont();
    static CFontSpec GetSmallSystemFont();
    static CFontSpec GetSmallEmphasizedSystemFont();
    static CFontSpec GetViewsFont();
    static CFontSpec MacGetAppearanceFont(unsigned short themeFont);

    // Null restores the built-in fonts (Arial in a few sizes).
    static void SetThemeFontSource(TThemeFontSource source);

private:
    void SetName(const char* name);

    char fName[kMaxNameLength + 1] = {};
    unsigned char fSize = 0;
    bool fBold = false;
    bool fItalic = false;
    bool fUnderline = false;
    uint32_t fMagic = 0;
};

} // namespace NSWayfarer
