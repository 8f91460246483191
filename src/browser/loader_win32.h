// The two WebView2 loader functions the program calls. They use Microsoft's WebView2Loader.dll
// when it lies in the program folder, and otherwise find and start the runtime themselves.
#pragma once

#include "webview2/webview2.h"

namespace tessaly {

// The version of the runtime in `browserExecutableFolder` (absolute, or relative to the
// executable's folder), or of the installed runtime when it is null or empty. The string is
// freed with CoTaskMemFree; it is null, with a failure code, when there is no usable runtime.
HRESULT GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder,
                                                     LPWSTR* versionInfo);

// Starts creating a browser environment from the same runtime; the handler is called later on
// this thread while it dispatches messages. A failure returned here means it will not be called.
HRESULT CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler);

}  // namespace tessaly
