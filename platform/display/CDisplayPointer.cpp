#include "platform/display/CDisplayPointer.h"

#include "platform/display/CDisplay.h"
#include "platform/display/DisplayGdk.h"

#include <algorithm>
#include <climits>

namespace NSPlatform
{

namespace
{

struct SCursorState
{
    GdkCursor* mShown = nullptr; // owned reference; null is the default arrow
    bool mHidden = false;
};

SCursorState& Cursors()
{
    static SCursorState gState;
    return gState;
}

void Show(GdkCursor* cursor)
{
    SCursorState& state = Cursors();
    if (state.mShown)
        g_object_unref(state.mShown);
    state.mShown = cursor;
    if (!state.mHidden)
        SetCursorOnAllWindows(cursor);
}

} // namespace

void CDisplayPointer::SetShape(EShape shape)
{
    if (!CDisplay::IsOpen())
        return;
    GdkDisplay* display = gdk_display_get_default();
    GdkCursor* cursor = nullptr;
    switch (shape)
    {
    case kArrow:
        break;
    case kBusy:
        cursor = gdk_cursor_new_from_name(display, "wait");
        if (!cursor)
            cursor = gdk_cursor_new_from_name(display, "progress");
        break;
    case kIBeam:
        cursor = gdk_cursor_new_from_name(display, "text");
        break;
    }
    Show(cursor);
}

void CDisplayPointer::SetBitmapCursor(const uint8_t image[32], const uint8_t mask[32], int hotV,
                                      int hotH)
{
    if (!CDisplay::IsOpen())
        return;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 16, 16);
    auto* pixels = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(surface));
    const int stride = cairo_image_surface_get_stride(surface) / 4;
    for (int y = 0; y < 16; ++y)
    {
        for (int x = 0; x < 16; ++x)
        {
            const int byte = y * 2 + x / 8;
            const int bit = 0x80 >> (x % 8);
            const bool black = image[byte] & bit;
            const bool opaque = (mask[byte] & bit) || black;
            pixels[y * stride + x] = !opaque ? 0u : black ? 0xFF000000u : 0xFFFFFFFFu;
        }
    }
    cairo_surface_mark_dirty(surface);
    GdkCursor* cursor = gdk_cursor_new_from_surface(
        gdk_display_get_default(), surface, std::clamp(hotH, 0, 15), std::clamp(hotV, 0, 15));
    cairo_surface_destroy(surface);
    Show(cursor);
}

void CDisplayPointer::HideCursor()
{
    SCursorState& state = Cursors();
    if (!CDisplay::IsOpen() || state.mHidden)
        return;
    state.mHidden = true;
    GdkCursor* blank = gdk_cursor_new_for_display(gdk_display_get_default(), GDK_BLANK_CURSOR);
    SetCursorOnAllWindows(blank);
    g_object_unref(blank);
}

void CDisplayPointer::ShowCursor()
{
    SCursorState& state = Cursors();
    if (!CDisplay::IsOpen() || !state.mHidden)
        return;
    state.mHidden = false;
    SetCursorOnAllWindows(state.mShown);
}

void CDisplayPointer::WarpTo(int h, int v)
{
    if (GdkDevice* pointer = DisplayPointerDevice())
    {
        gdk_device_warp(pointer, gdk_display_get_default_screen(gdk_display_get_default()), h, v);
        // The jump back is no movement of the user's.
        LastPointer() = {static_cast<double>(h), static_cast<double>(v), true};
    }
}

uint16_t CDisplayPointer::GetModifierWord()
{
    if (!CDisplay::IsOpen())
        return 0;
    GdkKeymap* keymap = gdk_keymap_get_for_display(gdk_display_get_default());
    // Keys only: the button is no modifier key here.
    const guint state = gdk_keymap_get_modifier_state(keymap) | GDK_BUTTON1_MASK;
    return static_cast<uint16_t>(ModifierWordFromState(state) & ~kButtonState);
}

bool CDisplayPointer::GetState(int16_t& h, int16_t& v)
{
    h = 0;
    v = 0;
    GdkDevice* pointer = DisplayPointerDevice();
    if (!pointer)
        return false;
    gint x = 0;
    gint y = 0;
    GdkModifierType mask = static_cast<GdkModifierType>(0);
    gdk_window_get_device_position(gdk_get_default_root_window(), pointer, &x, &y, &mask);
    h = static_cast<int16_t>(std::clamp(x, SHRT_MIN, SHRT_MAX));
    v = static_cast<int16_t>(std::clamp(y, SHRT_MIN, SHRT_MAX));
    return (mask & (GDK_BUTTON1_MASK | GDK_BUTTON2_MASK | GDK_BUTTON3_MASK)) != 0;
}

int CDisplayPointer::GetDoubleClickMS()
{
    gint ms = 400;
    if (CDisplay::IsOpen())
        g_object_get(gtk_settings_get_default(), "gtk-double-click-time", &ms, nullptr);
    return ms;
}

} // namespace NSPlatform
