#include "browser/browser_events_win32.h"

#include <shellapi.h>

#include "base/browser_string_win32.h"
#include "base/wide_cast.h"
#include "browser/external_uri.h"
#include "browser/fullscreen.h"
#include "browser/origin.h"
#include "browser/page_calls_win32.h"
#include "browser/web_message.h"
#include "config/program.h"
#include "server/resource_handler_win32.h"
#include "window/host_window_win32.h"

namespace tessaly {
namespace {

// The host window as the full-screen switch sees it.
class HostFullscreenWindow final : public FullscreenWindow {
  public:
    std::uint32_t Style() override { return std::uint32_t(GetWindowLongW(MainWindow, GWL_STYLE)); }
    std::uint32_t ExStyle() override {
        return std::uint32_t(GetWindowLongW(MainWindow, GWL_EXSTYLE));
    }
    ScreenRect WindowRect() override {
        RECT rect{};
        GetWindowRect(MainWindow, &rect);
        return {rect.left, rect.top, rect.right, rect.bottom};
    }
    void SetStyle(std::uint32_t style) override {
        SetWindowLongW(MainWindow, GWL_STYLE, LONG(style));
    }
    void SetExStyle(std::uint32_t exStyle) override {
        SetWindowLongW(MainWindow, GWL_EXSTYLE, LONG(exStyle));
    }
    ScreenRect NearestMonitorRect() override {
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        GetMonitorInfoW(MonitorFromWindow(MainWindow, MONITOR_DEFAULTTONEAREST), &info);
        return {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right,
                info.rcMonitor.bottom};
    }
    void Place(const ScreenRect& rect) override {
        // The window procedure hears WM_MOVE and WM_SIZE and moves the browser along.
        SetWindowPos(MainWindow, nullptr, rect.left, rect.top, rect.right - rect.left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    void MarkFullscreenOnTaskbar(bool fullscreen) override {
        auto& taskbar = Browser.taskbarList;
        if (!taskbar) {
            if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_PPV_ARGS(&taskbar)))) {
                return;
            }
            if (FAILED(taskbar->HrInit())) {
                taskbar.Reset();  // the next change tries again
                return;
            }
        }
        taskbar->MarkFullscreenWindow(MainWindow, fullscreen);
    }
};

FullscreenSwitch Fullscreen;

}  // namespace

void SetHostFullscreen(bool fullscreen) {
    HostFullscreenWindow window;
    Fullscreen.Set(fullscreen, window);
}

bool IsHostFullscreen() {
    return Fullscreen.isFullscreen();
}

HRESULT OnWebResourceRequested(ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
    // Every file the page loads comes from the www folder beside the program.
    static const std::u16string contentFolder = Program.programFolder + u"www\\";
    static const AnswerOptions options{.crossOriginIsolation =
                                           Program.settings.crossOriginIsolation};
    return HandleWebResourceRequested(Browser.environment.Get(), args, contentFolder,
                                      PlatformFileAccess(), MappedFiles(), options);
}

HRESULT AnswerInternalError(ICoreWebView2*,
                            ICoreWebView2WebResourceRequestedEventArgs* args) noexcept {
    return AnswerServerError(Browser.environment.Get(), args,
                             Program.settings.crossOriginIsolation);
}

HRESULT OnDOMContentLoaded(ICoreWebView2*, ICoreWebView2DOMContentLoadedEventArgs*) {
    // Every document, not only the first: the page is on screen and has the keyboard.
    ShowWindow(MainWindow, SW_SHOW);
    UpdateWindow(MainWindow);
    Browser.controller->put_IsVisible(TRUE);
    Browser.controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
    return S_OK;
}

HRESULT OnDocumentTitleChanged(ICoreWebView2* sender, IUnknown*) {
    BrowserString title;
    sender->get_DocumentTitle(title.out());
    SetWindowTextW(MainWindow, title.get());
    return S_OK;
}

HRESULT OnNavigationStarting(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
    BrowserString uri;
    args->get_Uri(uri.out());
    if (!HasVirtualOriginPrefix(uri.view())) {
        args->put_Cancel(TRUE);
    }
    return S_OK;
}

HRESULT OnNewWindowRequested(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
    BrowserString uri;
    args->get_Uri(uri.out());
    if (IsSafeToOpenExternally(uri.view())) {
        ShellExecuteW(nullptr, L"open", uri.get(), nullptr, nullptr, SW_SHOWDEFAULT);
    }
    // Handled either way: the browser never opens a window of its own.
    args->put_Handled(TRUE);
    return S_OK;
}

HRESULT OnWindowCloseRequested(ICoreWebView2*, IUnknown*) {
    // Destroys the window; its WM_DESTROY ends the message loop with exit code 0.
    SendMessageW(MainWindow, WM_CLOSE, 0, 0);
    return S_OK;
}

HRESULT OnPermissionRequested(ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
    // The packaged application gets what it asks for without a prompt. A frame from elsewhere
    // (an embedded third-party page) is left to the browser's own prompt, so nothing outside the
    // package gets the camera, microphone or location silently.
    BrowserString uri;
    args->get_Uri(uri.out());
    if (HasVirtualOriginPrefix(uri.view())) {
        args->put_State(COREWEBVIEW2_PERMISSION_STATE_ALLOW);
    }
    return S_OK;
}

HRESULT OnWebMessageReceived(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
    BrowserString source;
    args->get_Source(source.out());
    if (!HasVirtualOriginPrefix(source.view())) {
        return S_OK;
    }
    BrowserString text;
    if (FAILED(args->TryGetWebMessageAsString(text.out()))) {
        return S_OK;  // posted as a structured value, not a string
    }
    if (!TakePageCall(text.view())) {
        HandleWebMessage(text.view(), SetHostFullscreen);
    }
    return S_OK;
}

HRESULT OnContainsFullScreenElementChanged(ICoreWebView2* sender, IUnknown*) {
    BOOL containsFullScreenElement = FALSE;
    sender->get_ContainsFullScreenElement(&containsFullScreenElement);
    SetHostFullscreen(containsFullScreenElement != FALSE);
    return S_OK;
}

}  // namespace tessaly
