// The Linux host's window and its start-up messages, in GTK.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <string_view>

#include "config/package_settings.h"

namespace tessaly {

// A hidden top-level window with the configured title, client size (in GTK's logical pixels,
// which follow the desktop's scale as the Windows program follows its DPI), resizability and
// icon (`iconFile`, when it names an image GTK can read). Closing it ends the main loop.
GtkWindow* CreateHostWindow(const PackageSettings& settings, const std::string& iconFile);

// Enters or leaves full screen; asking for the current state does nothing. Web messages and the
// page's Fullscreen API both come here, so they share this one state.
void SetHostFullscreen(GtkWindow* window, bool fullscreen);
bool IsHostFullscreen();

// A modal message with an OK button and no owner, also written to the standard error for a
// start from a terminal; returns when it is dismissed.
void ShowErrorMessage(std::u16string_view text, std::u16string_view caption);

}  // namespace tessaly
