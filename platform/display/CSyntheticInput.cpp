#include "platform/display/CSyntheticInput.h"

#include "platform/display/CNativeWindow.h"
#include "platform/display/DisplayGdk.h"
#include "platform/display/NativeWindowGtk.h"
#include "platform/display/SEventRecord.h"

#include <gdk/gdkx.h>

namespace NSPlatform
{

namespace
{

guint StateFromModifierWord(uint16_t word)
{
    guint state = 0;
    if (word & kCmdKey)
        state |= GDK_CONTROL_MASK;
    if (word & kShiftKey)
        state |= GDK_SHIFT_MASK;
    if (word & kAlphaLock)
        state |= GDK_LOCK_MASK;
    if (word & kOptionKey)
        state |= GDK_MOD1_MASK;
    return state;
}

GdkWindow* WindowOf(CNativeWindow& window)
{
    const unsigned long xid = window.GetXID();
    if (!xid)
        return nullptr;
    return gdk_x11_window_lookup_for_display(gdk_display_get_default(), xid);
}

} // namespace

void CSyntheticInput::PostKey(CNativeWindow& window, bool press, uint16_t hardwareKeycode,
                              uint32_t keysym, uint16_t modifiers)
{
    GdkWindow* target = WindowOf(window);
    if (!target)
        return;
    GdkEvent* event = gdk_event_new(press ? GDK_KEY_PRESS : GDK_KEY_RELEASE);
    event->key.window = GDK_WINDOW(g_object_ref(target));
    event->key.send_event = TRUE;
    event->key.time = GDK_CURRENT_TIME;
    event->key.state = StateFromModifierWord(modifiers);
    event->key.keyval = keysym;
    event->key.hardware_keycode = hardwareKeycode;
    event->key.length = 0;
    event->key.string = g_strdup("");
    gdk_event_set_device(event, DisplayKeyboardDevice());
    gdk_event_put(event);
    gdk_event_free(event);
}

void CSyntheticInput::PostButton(CNativeWindow& window, bool press, int button, int x, int y,
                                 uint16_t modifiers)
{
    // Clicks land on the client area, where a real pointer's would.
    GdkWindow* target = gtk_widget_get_window(NativeWindowClient(window));
    if (!target || !WindowOf(window))
        return;
    GdkEvent* event = gdk_event_new(press ? GDK_BUTTON_PRESS : GDK_BUTTON_RELEASE);
    event->button.window = GDK_WINDOW(g_object_ref(target));
    event->button.send_event = TRUE;
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = x;
    event->button.y = y;
    gint originX = 0;
    gint originY = 0;
    gdk_window_get_origin(target, &originX, &originY);
    event->button.x_root = originX + x;
    event->button.y_root = originY + y;
    event->button.state = StateFromModifierWord(modifiers);
    event->button.button = static_cast<guint>(button);
    gdk_event_set_device(event, DisplayPointerDevice());
    gdk_event_put(event);
    gdk_event_free(event);
}

void CSyntheticInput::PostCloseRequest(CNativeWindow& window)
{
    GdkWindow* target = WindowOf(window);
    if (!target)
        return;
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(target));
    event->any.send_event = TRUE;
    gdk_event_put(event);
    gdk_event_free(event);
}

} // namespace NSPlatform
