/* The baseline of the start-up measurement: a minimal GTK 3 program that opens one
   200 x 150 window, paints it, and prints the wall-clock time (ns) at which the
   server has the first painted frame. */
#include <gtk/gtk.h>

#include <stdio.h>
#include <time.h>

static gboolean Shown(gpointer window)
{
    struct timespec now;
    gdk_display_sync(gtk_widget_get_display(GTK_WIDGET(window)));
    clock_gettime(CLOCK_REALTIME, &now);
    printf("%lld\n", (long long)now.tv_sec * 1000000000LL + now.tv_nsec);
    gtk_main_quit();
    return G_SOURCE_REMOVE;
}

static gboolean Draw(GtkWidget* widget, cairo_t* cr, gpointer data)
{
    static int drawn = 0;
    (void)data;
    cairo_set_source_rgb(cr, 0.2, 0.4, 0.8);
    cairo_paint(cr);
    if (!drawn++)
        g_idle_add(Shown, widget);
    return TRUE;
}

int main(int argc, char** argv)
{
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_widget_set_app_paintable(window, TRUE);
    gtk_window_set_default_size(GTK_WINDOW(window), 200, 150);
    g_signal_connect(window, "draw", G_CALLBACK(Draw), NULL);
    gtk_widget_show(window);
    gtk_main();
    return 0;
}
