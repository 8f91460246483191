#include "browser/environment.h"
// environment.h is portable; the Windows headers follow.
#include "base/wide_cast.h"
#include "browser/browser_events_win32.h"
#include "browser/environment_options_win32.h"
#include "browser/loader_win32.h"
#include "browser/page_calls_win32.h"
#include "config/program.h"
#include "server/resource_response.h"
#include "webview2/com_handler_win32.h"
#include "window/host_window_win32.h"

namespace tessaly {
namespace {

using Microsoft::WRL::ComPtr;

ComPtr<ICoreWebView2EnvironmentOptions> Options;

// The browser could not be brought up. The window is still hidden, so without a word the user
// would be left with an invisible process: say so, then end the message loop with exit code 1.
void ReportBrowserFailure() {
    const std::u16string text(kBrowserStartFailedText);
    MessageBoxW(nullptr, AsWide(text), AsWide(Program.settings.title), MB_OK | MB_ICONERROR);
    PostQuitMessage(1);
}

// Registers a handler object for `Callback` with `add`, then lets the creator's reference go.
template <class Interface, auto Callback, auto OnException = nullptr, class Target, class Add>
void Register(Target* target, Add add) {
    auto handler = ComHandler<Interface, Callback, OnException>::Create();
    (target->*add)(handler.Get(), nullptr);
}

void ApplySettings(ICoreWebView2Settings* settings, bool enableDevTools) {
    settings->put_IsScriptEnabled(TRUE);
    settings->put_AreHostObjectsAllowed(FALSE);
    settings->put_AreDefaultScriptDialogsEnabled(TRUE);
    settings->put_IsWebMessageEnabled(TRUE);
    settings->put_IsZoomControlEnabled(FALSE);
    settings->put_AreDefaultContextMenusEnabled(TRUE);
    settings->put_AreDevToolsEnabled(enableDevTools ? TRUE : FALSE);
}

// Every request under the virtual origin comes to the content server: where the runtime can say
// so, also those of the app's service and shared workers (a worker's fetch that went to the
// network would fail, since the origin's host never resolves). Older runtimes raise documents'
// requests only.
void AddRequestFilter(ICoreWebView2* view) {
    const std::u16string filter = std::u16string(VirtualOrigin) + u"*";
    ComPtr<ICoreWebView2_22> view22;
    if (SUCCEEDED(view->QueryInterface(IID_PPV_ARGS(&view22))) && view22 &&
        SUCCEEDED(view22->AddWebResourceRequestedFilterWithRequestSourceKinds(
            AsWide(filter), COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL,
            COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_ALL))) {
        return;
    }
    view->AddWebResourceRequestedFilter(AsWide(filter), COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL);
}

// Every handler is in place before the first navigation, so the start page's own requests and
// its first DOMContentLoaded already reach them.
void RegisterHandlers(ICoreWebView2* view, ICoreWebView2_2* view2) {
    Register<ICoreWebView2DocumentTitleChangedEventHandler, &OnDocumentTitleChanged>(
        view, &ICoreWebView2::add_DocumentTitleChanged);
    AddRequestFilter(view);
    Register<ICoreWebView2WebResourceRequestedEventHandler, &OnWebResourceRequested,
             &AnswerInternalError>(view, &ICoreWebView2::add_WebResourceRequested);
    Register<ICoreWebView2NavigationStartingEventHandler, &OnNavigationStarting>(
        view, &ICoreWebView2::add_NavigationStarting);
    Register<ICoreWebView2PermissionRequestedEventHandler, &OnPermissionRequested>(
        view, &ICoreWebView2::add_PermissionRequested);
    Register<ICoreWebView2ContainsFullScreenElementChangedEventHandler,
             &OnContainsFullScreenElementChanged>(
        view, &ICoreWebView2::add_ContainsFullScreenElementChanged);
    Register<ICoreWebView2WindowCloseRequestedEventHandler, &OnWindowCloseRequested>(
        view, &ICoreWebView2::add_WindowCloseRequested);
    Register<ICoreWebView2NewWindowRequestedEventHandler, &OnNewWindowRequested>(
        view, &ICoreWebView2::add_NewWindowRequested);
    Register<ICoreWebView2WebMessageReceivedEventHandler, &OnWebMessageReceived>(
        view, &ICoreWebView2::add_WebMessageReceived);
    Register<ICoreWebView2DOMContentLoadedEventHandler, &OnDOMContentLoaded>(
        view2, &ICoreWebView2_2::add_DOMContentLoaded);
}

HRESULT OnControllerCreated(HRESULT error, ICoreWebView2Controller* controller) {
    Browser.controller = controller;
    Browser.view.Reset();
    Browser.view2.Reset();
    if (controller) {
        controller->get_CoreWebView2(&Browser.view);
    }
    if (Browser.view) {
        Browser.view.As(&Browser.view2);
    }
    if (FAILED(error) || !Browser.view2) {
        ReportBrowserFailure();
        return S_OK;
    }
    // The window procedure keeps the browser over the client area from now on.
    HostedBrowser.parentMoved = [] { Browser.controller->NotifyParentWindowPositionChanged(); };
    HostedBrowser.resized = [](const RECT& clientArea) {
        Browser.controller->put_Bounds(clientArea);
    };

    ComPtr<ICoreWebView2Settings> settings;
    Browser.view->get_Settings(&settings);
    if (settings) {
        ApplySettings(settings.Get(), Program.settings.enableDevTools);
    }
    RECT clientArea{};
    GetClientRect(MainWindow, &clientArea);
    Browser.controller->put_Bounds(clientArea);
    RegisterHandlers(Browser.view.Get(), Browser.view2.Get());
    StartPageCalls(Browser.view.Get());

    const std::u16string start = std::u16string(VirtualOrigin) + Program.settings.mainPage;
    Browser.view->Navigate(AsWide(start));
    return S_OK;
}

HRESULT OnEnvironmentCreated(HRESULT error, ICoreWebView2Environment* environment) {
    Browser.environment = environment;
    if (FAILED(error) || !environment) {
        ReportBrowserFailure();
        return S_OK;
    }
    auto handler = ComHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler,
                              &OnControllerCreated>::Create();
    const HRESULT started = environment->CreateCoreWebView2Controller(MainWindow, handler.Get());
    if (FAILED(started)) {
        ReportBrowserFailure();
    }
    return S_OK;
}

}  // namespace

void CreateBrowserEnvironment(std::u16string_view browserFolder, const ProgramState& state) {
    Options = CreateEnvironmentOptions();
    if (Options) {
        // Also when empty: an empty text is stored, not "unset".
        Options->put_AdditionalBrowserArguments(AsWide(state.settings.chromiumArgs));
    }
    auto handler = ComHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler,
                              &OnEnvironmentCreated>::Create();
    const std::u16string folder(browserFolder);
    const HRESULT started = CreateCoreWebView2EnvironmentWithOptions(
        folder.empty() ? nullptr : AsWide(folder), AsWide(state.userDataFolder), Options.Get(),
        handler.Get());
    if (FAILED(started)) {
        ReportBrowserFailure();  // the handler will never be called
    }
}

void ReleaseEnvironmentOptions() {
    Options.Reset();
}

}  // namespace tessaly
