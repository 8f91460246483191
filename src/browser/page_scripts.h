// The script the Linux host puts into each of the app's documents before any of their own.
#pragma once

#include <string>
#include <string_view>

namespace tessaly {

// Names of the script message handlers the page script posts to.
inline constexpr const char* kWebMessageHandler = "tessalyWebMessage";
inline constexpr const char* kDomReadyHandler = "tessalyDomReady";
// The method of the chrome.webview stand-in that takes a message the host sends unasked.
inline constexpr const char* kHostMessageMethod = "tessalyHostMessage";

// The script, for media served from `mediaBase` (MediaBaseUrl). It
// - gives the page window.chrome.webview.postMessage(text), which forwards a string to the web
//   message handler (other values are dropped, as the Windows program ignores them), and
//   addEventListener and removeEventListener for "message" listeners, which get the handler's
//   reply, when it gives one, as a message event whose data is the reply's JSON value;
// - posts to the DOM-ready handler at each DOMContentLoaded;
// - points every audio, video and source element, and each new Audio, whose address lies under
//   the app's origin at the same path under `mediaBase` instead: as a src property or attribute
//   set by script, and as markup the parser or innerHTML inserts.
std::string PageStartScript(std::string_view mediaBase);

}  // namespace tessaly
