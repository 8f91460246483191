// The script that gives the app's top-level document window.tessaly, the same on every
// platform: each method posts a call (host_calls.h) on the web-message channel,
// window.chrome.webview, and returns a Promise that the call's reply settles.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// The script for documents under `appOrigin`, posting calls with `key`. Any other document, a
// frame among them, gets nothing from it.
std::string PageApiScript(std::string_view appOrigin, std::string_view key);

// A new key, unguessable by pages: 32 hexadecimal digits from the system's random source.
std::string NewCallKey();

}  // namespace tessaly
