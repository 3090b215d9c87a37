#include "platform/display/DisplayGdk.h"

#include "platform/display/CDisplay.h"

#include <algorithm>
#include <vector>

namespace NSPlatform
{

namespace
{

struct SWindowList
{
    std::vector<GtkWidget*> mWindows;
    GdkCursor* mCursor = nullptr;
    // The framework starts out active, as a program the user just started is.
    bool mActive = true;
    guint mFocusCheck = 0;
};

SWindowList& Windows()
{
    static SWindowList gList;
    return gList;
}

gboolean CheckApplicationFocus(gpointer)
{
    SWindowList& list = Windows();
    list.mFocusCheck = 0;
    const bool active =
        std::any_of(list.mWindows.begin(), list.mWindows.end(),
                    [](GtkWidget* w) { return gtk_window_has_toplevel_focus(GTK_WINDOW(w)); });
    if (active != list.mActive)
    {
        list.mActive = active;
        SEventRecord event;
        event.mWhat = kOSEvent;
        event.mMessage = (kSuspendResumeMessage << 24) | (active ? kResumeFlag : 0);
        CDisplay::Stamp(event);
        CDisplay::Record(std::move(event));
    }
    return G_SOURCE_REMOVE;
}

} // namespace

uint16_t ModifierWordFromState(guint state)
{
    uint16_t word = 0;
    if (state & GDK_CONTROL_MASK)
        word |= kCmdKey;
    if (state & GDK_SHIFT_MASK)
        word |= kShiftKey;
    if (state & GDK_LOCK_MASK)
        word |= kAlphaLock;
    if (state & GDK_MOD1_MASK)
        word |= kOptionKey;
    if (!(state & (GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK)))
        word |= kButtonState;
    return word;
}

GdkDevice* DisplayPointerDevice()
{
    GdkDisplay* display = CDisplay::IsOpen() ? gdk_display_get_default() : nullptr;
    return display ? gdk_seat_get_pointer(gdk_display_get_default_seat(display)) : nullptr;
}

GdkDevice* DisplayKeyboardDevice()
{
    GdkDisplay* display = CDisplay::IsOpen() ? gdk_display_get_default() : nullptr;
    return display ? gdk_seat_get_keyboard(gdk_display_get_default_seat(display)) : nullptr;
}

SLastPointer& LastPointer()
{
    static SLastPointer gLast;
    return gLast;
}

void RegisterNativeWindow(GtkWidget* window)
{
    Windows().mWindows.push_back(window);
}

void UnregisterNativeWindow(GtkWidget* window)
{
    std::erase(Windows().mWindows, window);
}

void ApplyCurrentCursor(GdkWindow* window)
{
    if (window)
        gdk_window_set_cursor(window, Windows().mCursor);
}

void SetCursorOnAllWindows(GdkCursor* cursor)
{
    SWindowList& list = Windows();
    if (cursor)
        g_object_ref(cursor);
    if (list.mCursor)
        g_object_unref(list.mCursor);
    list.mCursor = cursor;
    for (GtkWidget* widget : list.mWindows)
        ApplyCurrentCursor(gtk_widget_get_window(widget));
}

void NoteApplicationFocusChanged()
{
    // Focus moving between two of our windows arrives as an out and an in: decide
    // after both, so the application is not suspended in between.
    SWindowList& list = Windows();
    if (list.mFocusCheck == 0)
        list.mFocusCheck = g_idle_add(CheckApplicationFocus, nullptr);
}

} // namespace NSPlatform
