// The browser's event handlers and the references to the browser that they share. Everything
// here runs on the user-interface thread, inside the message loop.
#pragma once

#include "webview2/webview2.h"
// The declarations above bring windows.h.
#include <shobjidl.h>
#include <wrl/client.h>

namespace tessaly {

// The process-wide references to the browser control, released at process exit in the reverse
// of this order: the taskbar object first, the environment last.
struct BrowserReferences {
    Microsoft::WRL::ComPtr<ICoreWebView2Environment> environment;
    Microsoft::WRL::ComPtr<ICoreWebView2Controller> controller;
    Microsoft::WRL::ComPtr<ICoreWebView2> view;
    Microsoft::WRL::ComPtr<ICoreWebView2_2> view2;
    Microsoft::WRL::ComPtr<ITaskbarList2> taskbarList;
};
inline BrowserReferences Browser;

// The one full-screen state that messages, the Fullscreen API and the page's calls switch.
void SetHostFullscreen(bool fullscreen);
bool IsHostFullscreen();

HRESULT OnWebResourceRequested(ICoreWebView2* sender,
                               ICoreWebView2WebResourceRequestedEventArgs* args);
// What a request gets when OnWebResourceRequested could not answer it: a 500.
HRESULT AnswerInternalError(ICoreWebView2* sender,
                            ICoreWebView2WebResourceRequestedEventArgs* args) noexcept;
HRESULT OnDOMContentLoaded(ICoreWebView2* sender, ICoreWebView2DOMContentLoadedEventArgs* args);
HRESULT OnDocumentTitleChanged(ICoreWebView2* sender, IUnknown* args);
HRESULT OnNavigationStarting(ICoreWebView2* sender, ICoreWebView2NavigationStartingEventArgs* args);
HRESULT OnNewWindowRequested(ICoreWebView2* sender, ICoreWebView2NewWindowRequestedEventArgs* args);
HRESULT OnWindowCloseRequested(ICoreWebView2* sender, IUnknown* args);
HRESULT OnPermissionRequested(ICoreWebView2* sender,
                              ICoreWebView2PermissionRequestedEventArgs* args);
HRESULT OnWebMessageReceived(ICoreWebView2* sender, ICoreWebView2WebMessageReceivedEventArgs* args);
HRESULT OnContainsFullScreenElementChanged(ICoreWebView2* sender, IUnknown* args);

}  // namespace tessaly
