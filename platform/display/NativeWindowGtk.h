// The toolkit widgets inside a native window, for the display sources that add
// menu bars and native controls to it (never included outside platform/display).
#pragma once

#include "platform/display/CNativeWindow.h"

#include <gtk/gtk.h>

namespace NSPlatform
{

// The top-level GtkWindow.
GtkWidget* NativeWindowToplevel(const CNativeWindow& window);
// The client drawing area (input on the client arrives on its GdkWindow).
GtkWidget* NativeWindowClient(const CNativeWindow& window);
// A vertical box above the client area; a menu bar packed here counts as frame.
GtkBox* NativeWindowMenuSlot(const CNativeWindow& window);
// A fixed layer covering the client area: widgets put here at client
// coordinates sit above what the framework draws; elsewhere input passes through
// to the client.
GtkFixed* NativeWindowControlLayer(const CNativeWindow& window);
// Call after adding or removing what sits in the menu slot: the slot is shown only
// when it holds something, and the window is resized so the client area keeps its
// place and size.
void NativeWindowFrameChanged(CNativeWindow& window);

} // namespace NSPlatform
