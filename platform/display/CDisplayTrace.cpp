#include "platform/display/CDisplayTrace.h"

#include "platform/CMeasureTrace.h"

#include <gtk/gtk.h>

#include <cstdint>
#include <ctime>

namespace NSPlatform
{

namespace
{

bool gShownPending = true;

gulong gAfterPaint = 0;

void NoteShown(GdkFrameClock* clock, gpointer)
{
    // At the end of the first frame, once the server has it.
    g_signal_handler_disconnect(clock, gAfterPaint);
    gdk_display_sync(gdk_display_get_default());
    timespec now;
    ::clock_gettime(CLOCK_REALTIME, &now);
    timespec worked;
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &worked);
    CMeasureTrace::Write("shown", "%lld %lld",
                         static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec,
                         static_cast<long long>(worked.tv_sec) * 1000000LL + worked.tv_nsec / 1000);
    CMeasureTrace::Flush();
}

gboolean OnDraw(GtkWidget* widget, cairo_t* cr, gpointer)
{
    const int scale = gtk_widget_get_scale_factor(widget);
    uint64_t pixels = 0;
    if (cairo_rectangle_list_t* clip = cairo_copy_clip_rectangle_list(cr))
    {
        if (clip->status == CAIRO_STATUS_SUCCESS)
            for (int i = 0; i < clip->num_rectangles; ++i)
                pixels += static_cast<uint64_t>(clip->rectangles[i].width * scale) *
                          static_cast<uint64_t>(clip->rectangles[i].height * scale);
        cairo_rectangle_list_destroy(clip);
    }
    const char* title = gtk_window_get_title(GTK_WINDOW(widget));
    CMeasureTrace::Write("paint", "%llu %d %d %s", static_cast<unsigned long long>(pixels),
                         gtk_widget_get_allocated_width(widget) * scale,
                         gtk_widget_get_allocated_height(widget) * scale, title ? title : "");
    GdkFrameClock* clock = gtk_widget_get_frame_clock(widget);
    if (gShownPending && clock)
    {
        gShownPending = false;
        gAfterPaint = g_signal_connect(clock, "after-paint", G_CALLBACK(NoteShown), nullptr);
    }
    return FALSE;
}

} // namespace

void CDisplayTrace::WatchWindow(GtkWidget* toplevel)
{
    if (CMeasureTrace::IsOn())
        g_signal_connect(toplevel, "draw", G_CALLBACK(OnDraw), nullptr);
}

} // namespace NSPlatform
