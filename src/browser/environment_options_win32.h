// The options object handed to the runtime when the browser environment is created. The runtime
// reads it through ICoreWebView2EnvironmentOptions and asks for the newer option sets (2 to 5)
// with QueryInterface.
#pragma once

#include "webview2/webview2.h"
// The declarations above bring windows.h.
#include <wrl/client.h>

namespace tessaly {

// The browser version the program was built and tested against; the runtime may be newer.
inline constexpr wchar_t kTargetCompatibleBrowserVersion[] = L"113.0.1774.30";

// A fresh options object with one reference for the caller: no extra browser arguments, no
// language, the target version above, tracking prevention on, every other option off.
Microsoft::WRL::ComPtr<ICoreWebView2EnvironmentOptions> CreateEnvironmentOptions();

}  // namespace tessaly
