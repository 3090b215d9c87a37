/* A second baseline of the start-up measurement: plain GTK 3 building what the
   updater's window shows (a menu bar with two menus, four texts in Arial 11 and 12,
   one italic, a progress bar, two buttons), without the framework. It prints the
   wall-clock time (ns) at which the server has the first painted frame, so the
   framework's own share of the start-up can be told from the window's content. */
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

static gboolean Drawn(GtkWidget* widget, cairo_t* cr, gpointer data)
{
    static int drawn = 0;
    (void)cr;
    (void)data;
    if (!drawn++)
        g_idle_add(Shown, widget);
    return FALSE;
}

static GtkWidget* Text(GtkWidget* fixed, const char* text, const char* css, int x, int y)
{
    GtkWidget* label = gtk_label_new(text);
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, css, -1, NULL);
    gtk_style_context_add_provider(gtk_widget_get_style_context(label),
                                   GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
    gtk_fixed_put(GTK_FIXED(fixed), label, x, y);
    return label;
}

static void Menu(GtkWidget* bar, const char* title, const char* item)
{
    GtkWidget* top = gtk_menu_item_new_with_label(title);
    GtkWidget* menu = gtk_menu_new();
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), gtk_menu_item_new_with_label(item));
    gtk_menu_item_set_submenu(GTK_MENU_ITEM(top), menu);
    gtk_menu_shell_append(GTK_MENU_SHELL(bar), top);
}

int main(int argc, char** argv)
{
    gtk_init(&argc, &argv);
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Same window");
    gtk_window_set_default_size(GTK_WINDOW(window), 480, 220);
    GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
    GtkWidget* bar = gtk_menu_bar_new();
    Menu(bar, "Application", "About");
    Menu(bar, "Help", "Guide");
    gtk_box_pack_start(GTK_BOX(box), bar, FALSE, FALSE, 0);
    GtkWidget* fixed = gtk_fixed_new();
    gtk_box_pack_start(GTK_BOX(box), fixed, TRUE, TRUE, 0);
    Text(fixed, "This program will update the OS in your instrument to:",
         "label { font: 11pt Arial; color: white; }", 24, 20);
    Text(fixed, "OS version 1.20", "label { font: 12pt Arial; color: white; }", 24, 42);
    Text(fixed, "Connect the instrument with a USB cable and switch it on.",
         "label { font: italic 11pt Arial; color: white; }", 24, 80);
    Text(fixed, "Found the instrument", "label { font: italic 11pt Arial; color: white; }", 24,
         102);
    GtkWidget* progress = gtk_progress_bar_new();
    gtk_widget_set_size_request(progress, 432, 12);
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(progress), 0.5);
    gtk_fixed_put(GTK_FIXED(fixed), progress, 24, 132);
    GtkWidget* update = gtk_button_new_with_label("Update");
    gtk_widget_set_size_request(update, 92, 30);
    gtk_fixed_put(GTK_FIXED(fixed), update, 260, 164);
    GtkWidget* quit = gtk_button_new_with_label("Quit");
    gtk_widget_set_size_request(quit, 92, 30);
    gtk_fixed_put(GTK_FIXED(fixed), quit, 364, 164);
    gtk_container_add(GTK_CONTAINER(window), box);
    g_signal_connect_after(window, "draw", G_CALLBACK(Drawn), NULL);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
