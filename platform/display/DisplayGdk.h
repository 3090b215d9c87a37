// Helpers shared by the display sources that speak GDK (never included outside
// platform/display).
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

namespace NSPlatform
{

// The modifier word for a GDK modifier state: Ctrl is the command key, Alt the option key.
uint16_t ModifierWordFromState(guint state);

// The default seat's pointer and keyboard (null before the display is open).
GdkDevice* DisplayPointerDevice();
GdkDevice* DisplayKeyboardDevice();

// Where the pointer was at the last press, drag motion or warp, in global
// coordinates: drag events carry their movement since then.
struct SLastPointer
{
    double mX = 0;
    double mY = 0;
    bool mKnown = false;
};
SLastPointer& LastPointer();

// The live native windows, for what applies to all of them (the cursor, focus).
void RegisterNativeWindow(GtkWidget* window);
void UnregisterNativeWindow(GtkWidget* window);
// Sets the framework's current cursor on one window as it is realised.
void ApplyCurrentCursor(GdkWindow* window);
// Sets a cursor on every live window and remembers it for windows made later.
void SetCursorOnAllWindows(GdkCursor* cursor);
// A window gained or lost the focus: once the toolkit settles, the application
// is told whether it is still in front (suspend and resume events).
void NoteApplicationFocusChanged();

} // namespace NSPlatform
