// The Linux host's browser: a WebKitGTK view in the host window, answering every request of the
// app's pages with the content server.
#pragma once

#include <gtk/gtk.h>

#include <string>

#include "browser/host_calls.h"
#include "config/package_settings.h"

namespace tessaly {

struct BrowserOptions {
    GtkWindow* window = nullptr;
    PackageSettings settings;
    std::u16string appFolder;      // package.json's folder, ending in '/'
    std::u16string contentFolder;  // the app's www folder, ending in '/'
    std::string dataFolder;        // local storage, IndexedDB, cookies: kept between runs
    std::string cacheFolder;
    std::string mediaBaseUrl;  // where media elements load the app's files from
    AppFacts facts;            // for window.tessaly; its filesFolder holds the page's saves
};

// Puts the browser into the window and starts loading the start page. The window is shown when
// a document's DOM is ready.
void CreateBrowser(const BrowserOptions& options);

// Once the main loop has ended: finishes the page's calls (its writes above all) and returns
// the exit code: 0 after the window was closed, the page's own after tessaly.app.quit(code), 1
// after the engine stopped and a message said so.
int FinishBrowser();

}  // namespace tessaly
