// The baseline of the Linux host's start-up benchmark: a bare GTK window of the example's size,
// which writes "shown" when it is first drawn and ends.
#include <gtk/gtk.h>

#include <cstdio>

namespace {

gboolean OnFirstDraw(GtkWidget*, cairo_t*, gpointer) {
    std::puts("shown");
    std::fflush(stdout);
    gtk_main_quit();
    return FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (!gtk_init_check(&argc, &argv)) {
        std::fputs("bare_gtk_window: no display\n", stderr);
        return 1;
    }
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window), 960, 720);
    g_signal_connect(window, "draw", G_CALLBACK(OnFirstDraw), nullptr);
    gtk_widget_show_all(window);
    gtk_main();
    return 0;
}
