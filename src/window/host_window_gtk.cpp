#include "window/host_window_gtk.h"

#include <cstdio>

#include "base/text.h"

namespace tessaly {
namespace {

bool HostIsFullscreen = false;

}  // namespace

GtkWindow* CreateHostWindow(const PackageSettings& settings, const std::string& iconFile) {
    GtkWindow* window = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
    gtk_window_set_title(window, WideToUtf8(settings.title).c_str());
    gtk_window_set_default_size(window, settings.width, settings.height);
    gtk_window_set_resizable(window, settings.resizable);
    if (!iconFile.empty()) {
        // A file that is missing or no image leaves the desktop's default icon.
        gtk_window_set_icon_from_file(window, iconFile.c_str(), nullptr);
    }
    g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);
    return window;
}

void SetHostFullscreen(GtkWindow* window, bool fullscreen) {
    if (fullscreen == HostIsFullscreen) {
        return;
    }
    HostIsFullscreen = fullscreen;
    if (fullscreen) {
        gtk_window_fullscreen(window);
    } else {
        gtk_window_unfullscreen(window);
    }
}

bool IsHostFullscreen() {
    return HostIsFullscreen;
}

void ShowErrorMessage(std::u16string_view text, std::u16string_view caption) {
    const std::string message = WideToUtf8(text);
    std::fprintf(stderr, "tessaly-host: %s\n", message.c_str());
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_ERROR,
                                               GTK_BUTTONS_OK, "%s", message.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), WideToUtf8(caption).c_str());
    gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
}

}  // namespace tessaly
