// The desktop theme's colours by role, the desktop's colour chooser, and the window icon, for
// the framework's named colours and icons. No toolkit types: the framework sees only these.
#pragma once
#include <cstdint>
#include <string>

namespace NSPlatform
{

class CNativeWindow;

class CDisplayTheme
{
public:
    enum ERole
    {
        kText,           // labels and buttons (theme_fg_color)
        kDisabledText,   // insensitive widgets (insensitive_fg_color)
        kViewText,       // lists and text views (theme_text_color)
        kBackground,     // windows and dialogs (theme_bg_color)
        kViewBackground, // lists and text views (theme_base_color)
        kSelection,      // selected text and rows (theme_selected_bg_color)
        kSelectedText,   // text on the selection (theme_selected_fg_color)
        kBorder,         // frames and separators (borders)
        kRoleCount
    };
    struct SColor
    {
        uint16_t mRed = 0;
        uint16_t mGreen = 0;
        uint16_t mBlue = 0;
    };

    // The theme's colour for the role; without a display, or when the theme does not name it,
    // the toolkit's default theme's.
    static SColor GetColor(ERole role);
    // The built-in colour for the role (what GetColor falls back to).
    static SColor GetDefaultColor(ERole role);

    // Shows the colour chooser with the prompt as its title, starting from *color; true and
    // *color changed when the user confirmed. False without a display.
    static bool PickColor(const char* prompt, SColor* color);

    // Called once the chooser is on the screen, from the chooser's own loop: tests and scripted
    // demonstrations answer it from there. Null for none.
    using TChooserShown = void (*)();
    static void SetChooserShownHook(TChooserShown hook);
    // Answers the chooser on the screen as the user would: OK with the colour (null: the one it
    // shows), or Cancel. False when no chooser is shown.
    static bool AnswerChooser(bool confirm, const SColor* color);

    // Gives the window an icon of width x height pixels, 0xAARRGGBB each (alpha 0: see
    // through; at most 1024 x 1024). False when the window is not on the server yet or the
    // pixels are unusable.
    static bool SetWindowIcon(const CNativeWindow& window, const uint32_t* pixels, int width,
                              int height);

    // The icon every window of the program shows from now on: iconName from the desktop's
    // icon theme when the theme has it, else the picture file (an SVG or PNG). False when
    // neither could be used, or without a display.
    static bool SetDefaultWindowIcon(const std::string& iconName, const std::string& file);
    // The icon name every window shows by default ("" when none was set by name).
    static std::string GetDefaultWindowIconName();

    // Tests put a source of their own in place of the theme, and a chooser that answers by
    // itself; null restores the real ones.
    using TColorSource = SColor (*)(ERole role);
    using TPicker = bool (*)(const char* prompt, SColor* color);
    static void SetColorSource(TColorSource source);
    static void SetPicker(TPicker picker);
};

} // namespace NSPlatform
