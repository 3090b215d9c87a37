// The pointer and keyboard state of the window system, and the cursor shown over
// the application's windows: what the framework's input state reads and sets.
#pragma once

#include <cstdint>

namespace NSPlatform
{

class CDisplayPointer
{
public:
    enum EShape
    {
        kArrow, // the desktop's default pointer
        kBusy,  // "wait" (or "progress" where the theme has no "wait")
        kIBeam  // "text"
    };

    // Sets a desktop cursor on every window of the application (and later ones).
    static void SetShape(EShape shape);
    // A 16 x 16 cursor: image and mask, one bit per pixel, rows of two bytes, most
    // significant bit leftmost; hot spot at (hotH, hotV).
    static void SetBitmapCursor(const uint8_t image[32], const uint8_t mask[32], int hotV,
                                int hotH);
    // Hides the cursor over the application's windows; ShowCursor restores the last one.
    static void HideCursor();
    static void ShowCursor();
    // Moves the pointer to a global position.
    static void WarpTo(int h, int v);

    // The modifier word of the keyboard now (Ctrl = command, Shift, Caps Lock, Alt = option).
    static uint16_t GetModifierWord();
    // The pointer's global position and whether a button is down.
    static bool GetState(int16_t& h, int16_t& v);
    // The desktop's double-click interval in milliseconds.
    static int GetDoubleClickMS();
};

} // namespace NSPlatform
