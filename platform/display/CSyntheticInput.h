// Input made up by the program and put into the window system's own queue, so it
// takes the same way through the toolkit as input from the devices (tests, and
// scripted demonstrations). Modifier words use the framework's bits.
#pragma once

#include <cstdint>

namespace NSPlatform
{

class CNativeWindow;

class CSyntheticInput
{
public:
    // A key on the window: hardwareKeycode as the X server numbers keys, keysym the
    // symbol it produces (0x41 for 'A').
    static void PostKey(CNativeWindow& window, bool press, uint16_t hardwareKeycode,
                        uint32_t keysym, uint16_t modifiers);
    // A button at client coordinates (x, y) of the window.
    static void PostButton(CNativeWindow& window, bool press, int button, int x, int y,
                           uint16_t modifiers);
    // A window manager's close request.
    static void PostCloseRequest(CNativeWindow& window);
};

} // namespace NSPlatform
