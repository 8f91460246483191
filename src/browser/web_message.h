// Messages the page posts to the host with window.chrome.webview.postMessage.
#pragma once

#include <functional>
#include <string_view>

namespace tessaly {

// Acts on one message text: a JSON object {"type": "set-fullscreen", "fullscreen": true|false}
// switches full screen ("fullscreen" missing or not a boolean means leave). Anything else, text
// that is not JSON included, is ignored. Never throws.
void HandleWebMessage(std::u16string_view text, const std::function<void(bool)>& setFullscreen);

}  // namespace tessaly
