// A small program that uses the stand-in runtime the way a browser host does, so the stand-in,
// the scenario runner and their formats can be tested end to end before, and apart from, the
// real program. Its behaviour is deliberately simple and fixed:
//
// - finds webview2\EBWebView\<arch>\EmbeddedBrowserWebView.dll beside itself, reads its
//   ProductVersion (exit code 3 without one), loads it and creates the environment with an
//   options object that answers only the first and the fifth option interfaces;
// - a hidden window "Fixture" at (40, 30), 500 x 400, WS_OVERLAPPEDWINDOW;
// - two settings, the client rectangle as bounds, the filter "https://fixture.test/*", nine
//   handlers, then a navigation to https://fixture.test/start.html;
// - answers ".../missing" with 404, a request with a Range header with 206 and the range text
//   as body, anything else with 200 and a short page;
// - cancels navigations away from https://fixture.test/; opens https new windows with the shell
//   and drops the rest (always handled); allows the camera and denies other permissions;
// - mirrors the title in the caption; shows a message from https://fixture.test/ in the caption
//   ("string: ..." or "json: ..."); strips the frame and covers the monitor while an element is
//   full screen; closes on the page's request; shows the window on DOMContentLoaded;
// - a failed environment or controller creation shows a message box and ends with exit code 1.
#include <windows.h>
// windows.h first: the headers below rely on it.
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "webview2/com_handler_win32.h"
#include "webview2/webview2.h"

namespace {

using Microsoft::WRL::ComPtr;
using tessaly::AdoptReference;
using tessaly::ComHandler;

constexpr wchar_t kOrigin[] = L"https://fixture.test/";

HWND g_window = nullptr;
ComPtr<ICoreWebView2Environment> g_environment;
ComPtr<ICoreWebView2Controller> g_controller;
ComPtr<ICoreWebView2> g_view;
LONG g_savedStyle = 0;
RECT g_savedRect = {};

#if defined(_M_X64) || defined(__x86_64__)
constexpr wchar_t kArch[] = L"x64";
#else
constexpr wchar_t kArch[] = L"x86";
#endif

std::wstring Take(LPWSTR text) {
    std::wstring copy = text ? text : L"";
    CoTaskMemFree(text);
    return copy;
}

bool FromOrigin(const std::wstring& uri) {
    return uri.rfind(kOrigin, 0) == 0;
}

LPWSTR TaskCopy(const wchar_t* text) {
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (copy) {
        memcpy(copy, text, bytes);
    }
    return copy;
}

class Options final : public ICoreWebView2EnvironmentOptions,
                      public ICoreWebView2EnvironmentOptions5 {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(ICoreWebView2EnvironmentOptions)) {
            *object = static_cast<ICoreWebView2EnvironmentOptions*>(this);
        } else if (iid == __uuidof(ICoreWebView2EnvironmentOptions5)) {
            *object = static_cast<ICoreWebView2EnvironmentOptions5*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&count_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&count_);
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override {
        *value = TaskCopy(L"--fixture-argument");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override {
        *value = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR) override { return E_FAIL; }
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override {
        *value = TaskCopy(L"100.0.0.0");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR) override {
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override {
        *allow = TRUE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL) override {
        return E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE get_EnableTrackingPrevention(BOOL* value) override {
        *value = FALSE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_EnableTrackingPrevention(BOOL) override { return E_FAIL; }

  private:
    LONG count_ = 1;
};

void Fail(const wchar_t* text) {
    MessageBoxW(nullptr, text, L"Fixture", MB_OK | MB_ICONERROR);
    PostQuitMessage(1);
}

ComPtr<IStream> TextStream(const std::string& text) {
    return AdoptReference(
        SHCreateMemStream(reinterpret_cast<const BYTE*>(text.data()), UINT(text.size())));
}

HRESULT OnWebResourceRequested(ICoreWebView2*, ICoreWebView2WebResourceRequestedEventArgs* args) {
    ComPtr<ICoreWebView2WebResourceRequest> request;
    args->get_Request(&request);
    LPWSTR uriText = nullptr;
    request->get_Uri(&uriText);
    const std::wstring uri = Take(uriText);
    ComPtr<ICoreWebView2HttpRequestHeaders> headers;
    request->get_Headers(&headers);
    BOOL hasRange = FALSE;
    headers->Contains(L"Range", &hasRange);

    ComPtr<ICoreWebView2WebResourceResponse> response;
    if (uri.size() >= 7 && uri.compare(uri.size() - 7, 7, L"missing") == 0) {
        g_environment->CreateWebResourceResponse(TextStream("no such page").Get(), 404,
                                                 L"Not Found", L"Content-Type: text/plain",
                                                 &response);
    } else if (hasRange) {
        LPWSTR rangeText = nullptr;
        headers->GetHeader(L"Range", &rangeText);
        const std::wstring range = Take(rangeText);
        const std::wstring lines = L"Content-Range: " + range + L"\nContent-Type: text/plain";
        g_environment->CreateWebResourceResponse(
            TextStream(std::string(range.begin(), range.end())).Get(), 206, L"Partial Content",
            lines.c_str(), &response);
    } else {
        const std::string page = "<p>fixture</p>";
        const std::wstring lines =
            L"Content-Type: text/html\nContent-Length: " + std::to_wstring(page.size());
        g_environment->CreateWebResourceResponse(TextStream(page).Get(), 200, L"OK", lines.c_str(),
                                                 &response);
    }
    args->put_Response(response.Get());
    return S_OK;
}

HRESULT OnNavigationStarting(ICoreWebView2*, ICoreWebView2NavigationStartingEventArgs* args) {
    LPWSTR uri = nullptr;
    args->get_Uri(&uri);
    if (!FromOrigin(Take(uri))) {
        args->put_Cancel(TRUE);
    }
    return S_OK;
}

HRESULT OnNewWindowRequested(ICoreWebView2*, ICoreWebView2NewWindowRequestedEventArgs* args) {
    LPWSTR text = nullptr;
    args->get_Uri(&text);
    const std::wstring uri = Take(text);
    if (uri.rfind(L"https:", 0) == 0) {
        ShellExecuteW(nullptr, L"open", uri.c_str(), nullptr, nullptr, SW_SHOWDEFAULT);
    }
    args->put_Handled(TRUE);
    return S_OK;
}

HRESULT OnPermissionRequested(ICoreWebView2*, ICoreWebView2PermissionRequestedEventArgs* args) {
    COREWEBVIEW2_PERMISSION_KIND kind = COREWEBVIEW2_PERMISSION_KIND_UNKNOWN_PERMISSION;
    args->get_PermissionKind(&kind);
    args->put_State(kind == COREWEBVIEW2_PERMISSION_KIND_CAMERA
                        ? COREWEBVIEW2_PERMISSION_STATE_ALLOW
                        : COREWEBVIEW2_PERMISSION_STATE_DENY);
    return S_OK;
}

HRESULT OnDocumentTitleChanged(ICoreWebView2* sender, IUnknown*) {
    LPWSTR title = nullptr;
    sender->get_DocumentTitle(&title);
    SetWindowTextW(g_window, Take(title).c_str());
    return S_OK;
}

HRESULT OnWebMessageReceived(ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
    LPWSTR source = nullptr;
    args->get_Source(&source);
    if (!FromOrigin(Take(source))) {
        return S_OK;
    }
    LPWSTR text = nullptr;
    if (SUCCEEDED(args->TryGetWebMessageAsString(&text))) {
        SetWindowTextW(g_window, (L"string: " + Take(text)).c_str());
    } else {
        args->get_WebMessageAsJson(&text);
        SetWindowTextW(g_window, (L"json: " + Take(text)).c_str());
    }
    return S_OK;
}

HRESULT OnContainsFullScreenElementChanged(ICoreWebView2* sender, IUnknown*) {
    BOOL fullscreen = FALSE;
    sender->get_ContainsFullScreenElement(&fullscreen);
    constexpr UINT kFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
    if (fullscreen) {
        g_savedStyle = GetWindowLongW(g_window, GWL_STYLE);
        GetWindowRect(g_window, &g_savedRect);
        SetWindowLongW(g_window, GWL_STYLE, g_savedStyle & ~(WS_CAPTION | WS_THICKFRAME));
        MONITORINFO monitor = {};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(g_window, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& r = monitor.rcMonitor;
        SetWindowPos(g_window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, kFlags);
    } else {
        SetWindowLongW(g_window, GWL_STYLE, g_savedStyle);
        const RECT& r = g_savedRect;
        SetWindowPos(g_window, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, kFlags);
    }
    return S_OK;
}

HRESULT OnWindowCloseRequested(ICoreWebView2*, IUnknown*) {
    SendMessageW(g_window, WM_CLOSE, 0, 0);
    return S_OK;
}

HRESULT OnDOMContentLoaded(ICoreWebView2*, ICoreWebView2DOMContentLoadedEventArgs*) {
    ShowWindow(g_window, SW_SHOW);
    g_controller->put_IsVisible(TRUE);
    g_controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
    return S_OK;
}

template <class Handler, class Add>
void Register(Add add) {
    auto handler = Handler::Create();
    EventRegistrationToken token;
    add(handler.Get(), &token);
}

HRESULT OnControllerCreated(HRESULT error, ICoreWebView2Controller* controller) {
    if (FAILED(error) || !controller) {
        Fail(L"The browser control could not be created.");
        return S_OK;
    }
    g_controller = controller;
    g_controller->get_CoreWebView2(&g_view);
    ComPtr<ICoreWebView2_2> view2;
    if (FAILED(g_view.As(&view2))) {
        Fail(L"The browser is too old.");
        return S_OK;
    }
    ComPtr<ICoreWebView2Settings> settings;
    g_view->get_Settings(&settings);
    settings->put_IsScriptEnabled(TRUE);
    settings->put_AreDevToolsEnabled(FALSE);
    RECT client;
    GetClientRect(g_window, &client);
    g_controller->put_Bounds(client);

    ICoreWebView2* view = g_view.Get();
    g_view->AddWebResourceRequestedFilter(L"https://fixture.test/*",
                                          COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
    Register<ComHandler<ICoreWebView2WebResourceRequestedEventHandler, OnWebResourceRequested>>(
        [view](auto* h, auto* t) { view->add_WebResourceRequested(h, t); });
    Register<ComHandler<ICoreWebView2NavigationStartingEventHandler, OnNavigationStarting>>(
        [view](auto* h, auto* t) { view->add_NavigationStarting(h, t); });
    Register<ComHandler<ICoreWebView2NewWindowRequestedEventHandler, OnNewWindowRequested>>(
        [view](auto* h, auto* t) { view->add_NewWindowRequested(h, t); });
    Register<ComHandler<ICoreWebView2PermissionRequestedEventHandler, OnPermissionRequested>>(
        [view](auto* h, auto* t) { view->add_PermissionRequested(h, t); });
    Register<ComHandler<ICoreWebView2DocumentTitleChangedEventHandler, OnDocumentTitleChanged>>(
        [view](auto* h, auto* t) { view->add_DocumentTitleChanged(h, t); });
    Register<ComHandler<ICoreWebView2WebMessageReceivedEventHandler, OnWebMessageReceived>>(
        [view](auto* h, auto* t) { view->add_WebMessageReceived(h, t); });
    Register<ComHandler<ICoreWebView2ContainsFullScreenElementChangedEventHandler,
                        OnContainsFullScreenElementChanged>>(
        [view](auto* h, auto* t) { view->add_ContainsFullScreenElementChanged(h, t); });
    Register<ComHandler<ICoreWebView2WindowCloseRequestedEventHandler, OnWindowCloseRequested>>(
        [view](auto* h, auto* t) { view->add_WindowCloseRequested(h, t); });
    Register<ComHandler<ICoreWebView2DOMContentLoadedEventHandler, OnDOMContentLoaded>>(
        [&view2](auto* h, auto* t) { view2->add_DOMContentLoaded(h, t); });
    g_view->Navigate(L"https://fixture.test/start.html");
    return S_OK;
}

HRESULT OnEnvironmentCreated(HRESULT error, ICoreWebView2Environment* environment) {
    if (FAILED(error) || !environment) {
        Fail(L"The browser environment could not be created.");
        return S_OK;
    }
    g_environment = environment;
    auto handler = ComHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                              OnControllerCreated>::Create();
    g_environment->CreateCoreWebView2Controller(g_window, handler.Get());
    return S_OK;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (g_controller) {
                RECT client;
                GetClientRect(window, &client);
                g_controller->put_Bounds(client);
            }
            return 0;
        case WM_MOVE:
            if (g_controller) {
                g_controller->NotifyParentWindowPositionChanged();
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

std::wstring ProductVersion(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::string data(size, '\0');
    if (size == 0 || !GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
        return {};
    }
    wchar_t* version = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                        reinterpret_cast<void**>(&version), &length) ||
        !version) {
        return {};
    }
    return version;
}

using CreateEnvironment = HRESULT(STDMETHODCALLTYPE*)(
    bool, int, PCWSTR, IUnknown*, ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*);

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    wchar_t modulePath[MAX_PATH];
    GetModuleFileNameW(nullptr, modulePath, MAX_PATH);
    std::wstring folder = modulePath;
    folder.resize(folder.find_last_of(L'\\') + 1);

    const std::wstring dll =
        folder + L"webview2\\EBWebView\\" + kArch + L"\\EmbeddedBrowserWebView.dll";
    if (ProductVersion(dll).empty()) {
        return 3;
    }
    const HMODULE runtime = LoadLibraryW(dll.c_str());
    const auto create =
        runtime ? reinterpret_cast<CreateEnvironment>(reinterpret_cast<void*>(
                      GetProcAddress(runtime, "CreateWebViewEnvironmentWithOptionsInternal")))
                : nullptr;
    if (!create) {
        return 4;
    }

    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"StandinFixture";
    RegisterClassW(&windowClass);
    g_window = CreateWindowExW(0, L"StandinFixture", L"Fixture", WS_OVERLAPPEDWINDOW, 40, 30, 500,
                               400, nullptr, nullptr, instance, nullptr);

    auto options = AdoptReference<ICoreWebView2EnvironmentOptions>(new Options);
    auto handler = ComHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                              OnEnvironmentCreated>::Create();
    const HRESULT result = create(true, 1, L"C:\\fixture-data", options.Get(), handler.Get());
    handler.Reset();
    if (FAILED(result)) {
        return 5;
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return int(message.wParam);
}
