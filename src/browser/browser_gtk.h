// The Linux host's browser: a WebKitGTK view in the host window, answering every request of the
// app's pages with the content server.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "config/package_settings.h"

namespace tessaly {

struct BrowserOptions {
    GtkWindow* window = nullptr;
    PackageSettings settings;
    std::u16string contentFolder;  // the app's www folder, ending in '/'
    std::string dataFolder;        // local storage, IndexedDB, cookies: kept between runs
    std::string cacheFolder;
    std::string mediaBaseUrl;  // where media elements load the app's files from
};

// Puts the browser into the window and starts loading the start page. The window is shown when
// a document's DOM is ready.
void CreateBrowser(const BrowserOptions& options);

// The exit code once the main loop has ended: 0 after the window was closed, 1 after the engine
// stopped and a message said so.
int BrowserExitCode();

}  // namespace tessaly
