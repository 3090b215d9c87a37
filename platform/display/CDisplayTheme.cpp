#include "platform/display/CDisplayTheme.h"

#include "platform/display/CDisplay.h"
#include "platform/display/CNativeWindow.h"

#include <gtk/gtk.h>
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

#include <algorithm>
#include <cmath>
#include <vector>

namespace NSPlatform
{

namespace
{

CDisplayTheme::TColorSource gColorSource = nullptr;
CDisplayTheme::TPicker gPicker = nullptr;
CDisplayTheme::TChooserShown gChooserShown = nullptr;
GtkWidget* gChooser = nullptr;

gboolean TellChooserShown(gpointer)
{
    if (gChooserShown != nullptr && gChooser != nullptr)
        gChooserShown();
    return G_SOURCE_REMOVE;
}

void ChooserMapped(GtkWidget*, gpointer)
{
    g_idle_add(TellChooserShown, nullptr);
}

// The names the toolkit's themes define their palette with.
const char* const kRoleNames[CDisplayTheme::kRoleCount] = {
    "theme_fg_color",   "insensitive_fg_color",    "theme_text_color",        "theme_bg_color",
    "theme_base_color", "theme_selected_bg_color", "theme_selected_fg_color", "borders"};

// The toolkit's default theme's values, for when there is no theme to ask.
const uint8_t kDefaults[CDisplayTheme::kRoleCount][3] = {
    {0x2E, 0x34, 0x36}, {0x92, 0x95, 0x95}, {0x00, 0x00, 0x00}, {0xF6, 0xF5, 0xF4},
    {0xFF, 0xFF, 0xFF}, {0x35, 0x84, 0xE4}, {0xFF, 0xFF, 0xFF}, {0xCD, 0xC7, 0xC2}};

uint16_t Component(double v)
{
    return static_cast<uint16_t>(std::lround(std::clamp(v, 0.0, 1.0) * 65535.0));
}

CDisplayTheme::SColor FromRGBA(const GdkRGBA& rgba)
{
    return CDisplayTheme::SColor{Component(rgba.red), Component(rgba.green), Component(rgba.blue)};
}

GdkRGBA ToRGBA(const CDisplayTheme::SColor& c)
{
    return GdkRGBA{c.mRed / 65535.0, c.mGreen / 65535.0, c.mBlue / 65535.0, 1.0};
}

bool ThemeColor(CDisplayTheme::ERole role, CDisplayTheme::SColor* out)
{
    if (!CDisplay::IsOpen())
        return false;
    // Any widget's style context sees the theme's named colours; a label is the cheapest.
    GtkWidget* label = gtk_label_new("");
    g_object_ref_sink(label);
    GdkRGBA rgba;
    const bool found = gtk_style_context_lookup_color(gtk_widget_get_style_context(label),
                                                      kRoleNames[role], &rgba);
    g_object_unref(label);
    if (found)
        *out = FromRGBA(rgba);
    return found;
}

bool RunChooser(const char* prompt, CDisplayTheme::SColor* color)
{
    if (!CDisplay::IsOpen())
        return false;
    GtkWidget* dialog = gtk_color_chooser_dialog_new(prompt != nullptr ? prompt : "", nullptr);
    gtk_color_chooser_set_use_alpha(GTK_COLOR_CHOOSER(dialog), FALSE);
    const GdkRGBA start = ToRGBA(*color);
    gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &start);
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
    g_signal_connect(dialog, "map", G_CALLBACK(ChooserMapped), nullptr);
    gChooser = dialog;
    // Modal in the toolkit's own loop, like the platform's picker: nothing else of the
    // application runs until the user answers.
    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    const bool confirmed = response == GTK_RESPONSE_OK;
    if (confirmed)
    {
        GdkRGBA chosen;
        gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(dialog), &chosen);
        *color = FromRGBA(chosen);
    }
    gChooser = nullptr;
    gtk_widget_destroy(dialog);
    return confirmed;
}

} // namespace

CDisplayTheme::SColor CDisplayTheme::GetDefaultColor(ERole role)
{
    if (role < 0 || role >= kRoleCount)
        role = kText;
    const uint8_t* c = kDefaults[role];
    return SColor{static_cast<uint16_t>(c[0] * 257), static_cast<uint16_t>(c[1] * 257),
                  static_cast<uint16_t>(c[2] * 257)};
}

CDisplayTheme::SColor CDisplayTheme::GetColor(ERole role)
{
    if (role < 0 || role >= kRoleCount)
        role = kText;
    if (gColorSource != nullptr)
        return gColorSource(role);
    SColor color;
    if (ThemeColor(role, &color))
        return color;
    return GetDefaultColor(role);
}

bool CDisplayTheme::PickColor(const char* prompt, SColor* color)
{
    if (color == nullptr)
        return false;
    if (gPicker != nullptr)
        return gPicker(prompt, color);
    return RunChooser(prompt, color);
}

void CDisplayTheme::SetChooserShownHook(TChooserShown hook)
{
    gChooserShown = hook;
}

bool CDisplayTheme::AnswerChooser(bool confirm, const SColor* color)
{
    if (gChooser == nullptr)
        return false;
    if (confirm && color != nullptr)
    {
        const GdkRGBA rgba = ToRGBA(*color);
        gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(gChooser), &rgba);
    }
    gtk_dialog_response(GTK_DIALOG(gChooser), confirm ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL);
    return true;
}

bool CDisplayTheme::SetDefaultWindowIcon(const std::string& iconName, const std::string& file)
{
    if (!CDisplay::IsOpen())
        return false;
    GtkIconTheme* theme = gtk_icon_theme_get_default();
    if (!iconName.empty() && theme && gtk_icon_theme_has_icon(theme, iconName.c_str()))
    {
        gtk_window_set_default_icon_name(iconName.c_str());
        return true;
    }
    if (file.empty())
        return false;
    GError* failure = nullptr;
    const bool set = gtk_window_set_default_icon_from_file(file.c_str(), &failure);
    if (failure)
        g_error_free(failure);
    return set;
}

std::string CDisplayTheme::GetDefaultWindowIconName()
{
    const char* name = CDisplay::IsOpen() ? gtk_window_get_default_icon_name() : nullptr;
    return name ? name : "";
}

bool CDisplayTheme::SetWindowIcon(const CNativeWindow& window, const uint32_t* pixels, int width,
                                  int height)
{
    if (pixels == nullptr || width <= 0 || height <= 0 || width > 1024 || height > 1024 ||
        !CDisplay::IsOpen())
        return false;
#ifdef GDK_WINDOWING_X11
    GdkDisplay* display = gdk_display_get_default();
    if (display == nullptr || !GDK_IS_X11_DISPLAY(display))
        return false;
    const unsigned long xid = window.GetXID();
    GdkWindow* native = xid != 0 ? gdk_x11_window_lookup_for_display(display, xid) : nullptr;
    if (native == nullptr)
        return false;
    native = gdk_window_get_toplevel(native);
    GdkPixbuf* icon = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, width, height);
    if (icon == nullptr)
        return false;
    guchar* out = gdk_pixbuf_get_pixels(icon);
    const int stride = gdk_pixbuf_get_rowstride(icon);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            guchar* q = out + y * stride + x * 4;
            q[0] = static_cast<guchar>(p >> 16);
            q[1] = static_cast<guchar>(p >> 8);
            q[2] = static_cast<guchar>(p);
            q[3] = static_cast<guchar>(p >> 24);
        }
    GList* list = g_list_append(nullptr, icon);
    gdk_window_set_icon_list(native, list);
    g_list_free(list);
    g_object_unref(icon);
    return true;
#else
    (void)window;
    return false;
#endif
}

void CDisplayTheme::SetColorSource(TColorSource source)
{
    gColorSource = source;
}

void CDisplayTheme::SetPicker(TPicker picker)
{
    gPicker = picker;
}

} // namespace NSPlatform
