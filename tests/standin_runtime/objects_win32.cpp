#include "objects_win32.h"
// The header above brings windows.h first.

#include <cwctype>

namespace tessaly::standin {
namespace {

using Microsoft::WRL::ComPtr;

HRESULT GiveString(const std::wstring& text, LPWSTR* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = TaskString(text.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

template <class T>
HRESULT GiveValue(T value, T* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = value;
    return S_OK;
}

template <class Interface, class T>
HRESULT GiveObject(const ComPtr<T>& object, Interface** out) {
    if (!out) {
        return E_POINTER;
    }
    *out = object.Get();
    if (*out) {
        (*out)->AddRef();
    }
    return S_OK;
}

std::string Rect(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
           "," + std::to_string(r.bottom);
}

bool SameName(const std::wstring& a, LPCWSTR b) {
    std::size_t i = 0;
    for (; i < a.size(); ++i) {
        if (!b[i] || std::towlower(a[i]) != std::towlower(b[i])) {
            return false;
        }
    }
    return b[i] == 0;
}

}  // namespace

HRESULT Unsupported(const char* method) {
    Log(std::string("unsupported ") + method);
    return E_NOTIMPL;
}

// Environment

HRESULT Environment::CreateCoreWebView2Controller(
    HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) {
    MarkTime("create-controller");
    wchar_t className[256] = L"";
    if (parentWindow) {
        GetClassNameW(parentWindow, className, 256);
    }
    Log("create-controller parent-class=" +
        (parentWindow ? QuoteOrNull(className) : std::string("null")) +
        " handler=" + (handler ? "given" : "null"));
    if (!handler) {
        return E_INVALIDARG;
    }
    State().hostWindow = parentWindow;
    CompleteControllerCreation(
        ComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(handler));
    return S_OK;
}

HRESULT Environment::CreateWebResourceResponse(IStream* content, int statusCode,
                                               LPCWSTR reasonPhrase, LPCWSTR headers,
                                               ICoreWebView2WebResourceResponse** response) {
    if (!response) {
        return E_POINTER;
    }
    *response = Make<Response>(content, statusCode, reasonPhrase, headers).Detach();
    return S_OK;
}

HRESULT Environment::get_BrowserVersionString(LPWSTR* versionInfo) {
    return GiveString(L"120.0.0.1", versionInfo);
}

HRESULT Environment::add_NewBrowserVersionAvailable(
    ICoreWebView2NewBrowserVersionAvailableEventHandler* handler, EventRegistrationToken* token) {
    return newBrowserVersion_.Add(handler, token);
}

HRESULT Environment::remove_NewBrowserVersionAvailable(EventRegistrationToken token) {
    return newBrowserVersion_.Remove(token);
}

// Request headers

void RequestHeaders::Set(const std::wstring& name, const std::wstring& value) {
    const auto found = Find(name.c_str());
    if (found != headers_.end()) {
        found->second = value;
    } else {
        headers_.emplace_back(name, value);
    }
}

std::vector<std::pair<std::wstring, std::wstring>>::iterator RequestHeaders::Find(LPCWSTR name) {
    auto it = headers_.begin();
    while (it != headers_.end() && !(name && SameName(it->first, name))) {
        ++it;
    }
    return it;
}

HRESULT RequestHeaders::GetHeader(LPCWSTR name, LPWSTR* value) {
    if (!value) {
        return E_POINTER;
    }
    *value = nullptr;
    const auto found = Find(name);
    if (found == headers_.end()) {
        return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    }
    return GiveString(found->second, value);
}

HRESULT RequestHeaders::GetHeaders(LPCWSTR, ICoreWebView2HttpHeadersCollectionIterator**) {
    return Unsupported("ICoreWebView2HttpRequestHeaders::GetHeaders");
}

HRESULT RequestHeaders::Contains(LPCWSTR name, BOOL* value) {
    return GiveValue<BOOL>(Find(name) != headers_.end(), value);
}

HRESULT RequestHeaders::SetHeader(LPCWSTR name, LPCWSTR value) {
    Log("request-header-set " + QuoteOrNull(name) + " " + QuoteOrNull(value));
    if (!name || !value) {
        return E_INVALIDARG;
    }
    Set(name, value);
    return S_OK;
}

HRESULT RequestHeaders::RemoveHeader(LPCWSTR name) {
    Log("request-header-remove " + QuoteOrNull(name));
    const auto found = Find(name);
    if (found != headers_.end()) {
        headers_.erase(found);
    }
    return S_OK;
}

HRESULT RequestHeaders::GetIterator(ICoreWebView2HttpHeadersCollectionIterator**) {
    return Unsupported("ICoreWebView2HttpRequestHeaders::GetIterator");
}

// Request

HRESULT Request::get_Uri(LPWSTR* uri) {
    return GiveString(uri_, uri);
}

HRESULT Request::put_Uri(LPCWSTR) {
    return Unsupported("ICoreWebView2WebResourceRequest::put_Uri");
}

HRESULT Request::get_Method(LPWSTR* method) {
    return GiveString(L"GET", method);
}

HRESULT Request::put_Method(LPCWSTR) {
    return Unsupported("ICoreWebView2WebResourceRequest::put_Method");
}

HRESULT Request::get_Content(IStream** content) {
    return GiveValue<IStream*>(nullptr, content);
}

HRESULT Request::put_Content(IStream*) {
    return Unsupported("ICoreWebView2WebResourceRequest::put_Content");
}

HRESULT Request::get_Headers(ICoreWebView2HttpRequestHeaders** headers) {
    return GiveObject(headers_, headers);
}

// Response

HRESULT Response::get_Content(IStream** content) {
    return GiveObject(content_, content);
}

HRESULT Response::put_Content(IStream* content) {
    Log("response-put-content");
    content_ = content;
    return S_OK;
}

HRESULT Response::get_Headers(ICoreWebView2HttpResponseHeaders**) {
    return Unsupported("ICoreWebView2WebResourceResponse::get_Headers");
}

HRESULT Response::get_StatusCode(int* statusCode) {
    return GiveValue(status_, statusCode);
}

HRESULT Response::put_StatusCode(int statusCode) {
    Log("response-put-status " + std::to_string(statusCode));
    status_ = statusCode;
    return S_OK;
}

HRESULT Response::get_ReasonPhrase(LPWSTR* reasonPhrase) {
    return GiveString(reason_, reasonPhrase);
}

HRESULT Response::put_ReasonPhrase(LPCWSTR reasonPhrase) {
    Log("response-put-reason " + QuoteOrNull(reasonPhrase));
    reason_ = reasonPhrase ? reasonPhrase : L"";
    return S_OK;
}

// WebResourceRequested arguments

HRESULT WebResourceRequestedArgs::get_Request(ICoreWebView2WebResourceRequest** request) {
    return GiveObject(request_, request);
}

HRESULT WebResourceRequestedArgs::get_Response(ICoreWebView2WebResourceResponse** response) {
    return GiveObject(response_, response);
}

HRESULT WebResourceRequestedArgs::put_Response(ICoreWebView2WebResourceResponse* response) {
    responsePut_ = true;
    // Only the environment makes responses, so every one handed over is a Response.
    response_ = static_cast<Response*>(response);
    return S_OK;
}

HRESULT WebResourceRequestedArgs::GetDeferral(ICoreWebView2Deferral**) {
    return Unsupported("ICoreWebView2WebResourceRequestedEventArgs::GetDeferral");
}

HRESULT WebResourceRequestedArgs::get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) {
    return GiveValue(COREWEBVIEW2_WEB_RESOURCE_CONTEXT(context_), context);
}

// NavigationStarting arguments

HRESULT NavigationStartingArgs::get_Uri(LPWSTR* uri) {
    return GiveString(uri_, uri);
}

HRESULT NavigationStartingArgs::get_IsUserInitiated(BOOL* value) {
    return GiveValue<BOOL>(FALSE, value);
}

HRESULT NavigationStartingArgs::get_IsRedirected(BOOL* value) {
    return GiveValue<BOOL>(FALSE, value);
}

HRESULT NavigationStartingArgs::get_RequestHeaders(ICoreWebView2HttpRequestHeaders** headers) {
    return GiveObject(Make<RequestHeaders>(), headers);
}

HRESULT NavigationStartingArgs::get_Cancel(BOOL* cancel) {
    return GiveValue(cancel_, cancel);
}

HRESULT NavigationStartingArgs::put_Cancel(BOOL cancel) {
    cancel_ = cancel;
    return S_OK;
}

HRESULT NavigationStartingArgs::get_NavigationId(UINT64* navigationId) {
    return GiveValue(id_, navigationId);
}

// NewWindowRequested arguments

HRESULT NewWindowRequestedArgs::get_Uri(LPWSTR* uri) {
    return GiveString(uri_, uri);
}

HRESULT NewWindowRequestedArgs::put_NewWindow(ICoreWebView2* newWindow) {
    Log("new-window-put-new-window");
    newWindow_ = newWindow;
    return S_OK;
}

HRESULT NewWindowRequestedArgs::get_NewWindow(ICoreWebView2** newWindow) {
    return GiveObject(newWindow_, newWindow);
}

HRESULT NewWindowRequestedArgs::put_Handled(BOOL handled) {
    handled_ = handled;
    return S_OK;
}

HRESULT NewWindowRequestedArgs::get_Handled(BOOL* handled) {
    return GiveValue(handled_, handled);
}

HRESULT NewWindowRequestedArgs::get_IsUserInitiated(BOOL* value) {
    return GiveValue<BOOL>(TRUE, value);
}

HRESULT NewWindowRequestedArgs::GetDeferral(ICoreWebView2Deferral**) {
    return Unsupported("ICoreWebView2NewWindowRequestedEventArgs::GetDeferral");
}

HRESULT NewWindowRequestedArgs::get_WindowFeatures(ICoreWebView2WindowFeatures**) {
    return Unsupported("ICoreWebView2NewWindowRequestedEventArgs::get_WindowFeatures");
}

// PermissionRequested arguments

HRESULT PermissionRequestedArgs::get_Uri(LPWSTR* uri) {
    return GiveString(uri_, uri);
}

HRESULT PermissionRequestedArgs::get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) {
    return GiveValue(COREWEBVIEW2_PERMISSION_KIND(kind_), kind);
}

HRESULT PermissionRequestedArgs::get_IsUserInitiated(BOOL* value) {
    return GiveValue<BOOL>(TRUE, value);
}

HRESULT PermissionRequestedArgs::get_State(COREWEBVIEW2_PERMISSION_STATE* state) {
    return GiveValue(state_, state);
}

HRESULT PermissionRequestedArgs::put_State(COREWEBVIEW2_PERMISSION_STATE state) {
    state_ = state;
    return S_OK;
}

HRESULT PermissionRequestedArgs::GetDeferral(ICoreWebView2Deferral**) {
    return Unsupported("ICoreWebView2PermissionRequestedEventArgs::GetDeferral");
}

// WebMessageReceived arguments

HRESULT WebMessageReceivedArgs::get_Source(LPWSTR* value) {
    return GiveString(source_, value);
}

HRESULT WebMessageReceivedArgs::get_WebMessageAsJson(LPWSTR* value) {
    if (!isString_) {
        return GiveString(message_, value);
    }
    std::wstring json = L"\"";
    for (const wchar_t c : message_) {
        if (c == L'"' || c == L'\\') {
            json += L'\\';
            json += c;
        } else if (c < 0x20) {
            wchar_t escape[8];
            swprintf(escape, 8, L"\\u%04x", unsigned(c));
            json += escape;
        } else {
            json += c;
        }
    }
    return GiveString(json + L"\"", value);
}

HRESULT WebMessageReceivedArgs::TryGetWebMessageAsString(LPWSTR* value) {
    if (!value) {
        return E_POINTER;
    }
    if (!isString_) {
        *value = nullptr;
        return E_INVALIDARG;
    }
    return GiveString(message_, value);
}

// DOMContentLoaded arguments

HRESULT DOMContentLoadedArgs::get_NavigationId(UINT64* value) {
    return GiveValue(id_, value);
}

// Controller

HRESULT Controller::get_IsVisible(BOOL* isVisible) {
    return GiveValue(visible_, isVisible);
}

HRESULT Controller::put_IsVisible(BOOL isVisible) {
    Log("controller put_IsVisible " + std::to_string(isVisible));
    visible_ = isVisible;
    return S_OK;
}

HRESULT Controller::get_Bounds(RECT* bounds) {
    return GiveValue(bounds_, bounds);
}

HRESULT Controller::put_Bounds(RECT bounds) {
    Log("controller put_Bounds " + Rect(bounds));
    bounds_ = bounds;
    return S_OK;
}

HRESULT Controller::get_ZoomFactor(double* zoomFactor) {
    return GiveValue(zoom_, zoomFactor);
}

HRESULT Controller::put_ZoomFactor(double zoomFactor) {
    Log("controller put_ZoomFactor " + std::to_string(zoomFactor));
    zoom_ = zoomFactor;
    return S_OK;
}

HRESULT Controller::add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* handler,
                                          EventRegistrationToken* token) {
    return zoomFactorChanged_.Add(handler, token);
}

HRESULT Controller::remove_ZoomFactorChanged(EventRegistrationToken token) {
    return zoomFactorChanged_.Remove(token);
}

HRESULT Controller::SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) {
    Log("controller SetBoundsAndZoomFactor " + Rect(bounds) + " " + std::to_string(zoomFactor));
    bounds_ = bounds;
    zoom_ = zoomFactor;
    return S_OK;
}

HRESULT Controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    Log("controller MoveFocus " + std::to_string(int(reason)));
    return S_OK;
}

HRESULT Controller::add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* handler,
                                           EventRegistrationToken* token) {
    return moveFocusRequested_.Add(handler, token);
}

HRESULT Controller::remove_MoveFocusRequested(EventRegistrationToken token) {
    return moveFocusRequested_.Remove(token);
}

HRESULT Controller::add_GotFocus(ICoreWebView2FocusChangedEventHandler* handler,
                                 EventRegistrationToken* token) {
    return gotFocus_.Add(handler, token);
}

HRESULT Controller::remove_GotFocus(EventRegistrationToken token) {
    return gotFocus_.Remove(token);
}

HRESULT Controller::add_LostFocus(ICoreWebView2FocusChangedEventHandler* handler,
                                  EventRegistrationToken* token) {
    return lostFocus_.Add(handler, token);
}

HRESULT Controller::remove_LostFocus(EventRegistrationToken token) {
    return lostFocus_.Remove(token);
}

HRESULT Controller::add_AcceleratorKeyPressed(
    ICoreWebView2AcceleratorKeyPressedEventHandler* handler, EventRegistrationToken* token) {
    return acceleratorKeyPressed_.Add(handler, token);
}

HRESULT Controller::remove_AcceleratorKeyPressed(EventRegistrationToken token) {
    return acceleratorKeyPressed_.Remove(token);
}

HRESULT Controller::get_ParentWindow(HWND* parentWindow) {
    return GiveValue(State().hostWindow, parentWindow);
}

HRESULT Controller::put_ParentWindow(HWND parentWindow) {
    Log("controller put_ParentWindow");
    State().hostWindow = parentWindow;
    return S_OK;
}

HRESULT Controller::NotifyParentWindowPositionChanged() {
    Log("controller NotifyParentWindowPositionChanged");
    return S_OK;
}

HRESULT Controller::Close() {
    Log("controller Close");
    return S_OK;
}

HRESULT Controller::get_CoreWebView2(ICoreWebView2** coreWebView2) {
    return GiveObject(State().view, coreWebView2);
}

// View

View::View() : settings_(Make<Settings>()) {}

bool View::Answers(REFIID iid) {
    if (iid == __uuidof(ICoreWebView2)) {
        return true;
    }
    if (iid == __uuidof(ICoreWebView2_22)) {
        return State().answersView2 && State().answersView22;
    }
    return iid == __uuidof(ICoreWebView2_2) && State().answersView2;
}

bool View::Filtered(const std::wstring& uri, int context, unsigned sourceKind) const {
    for (const Filter& filter : filters_) {
        if ((filter.context == COREWEBVIEW2_WEB_RESOURCE_CONTEXT_ALL ||
             filter.context == context) &&
            (filter.sourceKinds & sourceKind) != 0 && WildcardMatch(Utf8(filter.uri), Utf8(uri))) {
            return true;
        }
    }
    return false;
}

HRESULT View::get_Settings(ICoreWebView2Settings** settings) {
    return GiveObject(settings_, settings);
}

HRESULT View::get_Source(LPWSTR* uri) {
    return GiveString(State().source, uri);
}

HRESULT View::Navigate(LPCWSTR uri) {
    if (State().firstNavigation.empty()) {
        MarkTime("navigate");
        WriteTimeMarks();
    }
    Log("navigate " + QuoteOrNull(uri));
    if (!uri) {
        return E_INVALIDARG;
    }
    if (State().firstNavigation.empty()) {
        State().firstNavigation = uri;
    }
    return S_OK;
}

HRESULT View::NavigateToString(LPCWSTR htmlContent) {
    Log("navigate-to-string " + QuoteOrNull(htmlContent));
    return S_OK;
}

HRESULT View::add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                     EventRegistrationToken* token) {
    return navigationStarting.Add(handler, token);
}

HRESULT View::remove_NavigationStarting(EventRegistrationToken token) {
    return navigationStarting.Remove(token);
}

HRESULT View::add_ContentLoading(ICoreWebView2ContentLoadingEventHandler* handler,
                                 EventRegistrationToken* token) {
    return contentLoading_.Add(handler, token);
}

HRESULT View::remove_ContentLoading(EventRegistrationToken token) {
    return contentLoading_.Remove(token);
}

HRESULT View::add_SourceChanged(ICoreWebView2SourceChangedEventHandler* handler,
                                EventRegistrationToken* token) {
    return sourceChanged_.Add(handler, token);
}

HRESULT View::remove_SourceChanged(EventRegistrationToken token) {
    return sourceChanged_.Remove(token);
}

HRESULT View::add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* handler,
                                 EventRegistrationToken* token) {
    return historyChanged_.Add(handler, token);
}

HRESULT View::remove_HistoryChanged(EventRegistrationToken token) {
    return historyChanged_.Remove(token);
}

HRESULT View::add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                                      EventRegistrationToken* token) {
    return navigationCompleted_.Add(handler, token);
}

HRESULT View::remove_NavigationCompleted(EventRegistrationToken token) {
    return navigationCompleted_.Remove(token);
}

HRESULT View::add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                          EventRegistrationToken* token) {
    return frameNavigationStarting_.Add(handler, token);
}

HRESULT View::remove_FrameNavigationStarting(EventRegistrationToken token) {
    return frameNavigationStarting_.Remove(token);
}

HRESULT View::add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                                           EventRegistrationToken* token) {
    return frameNavigationCompleted_.Add(handler, token);
}

HRESULT View::remove_FrameNavigationCompleted(EventRegistrationToken token) {
    return frameNavigationCompleted_.Remove(token);
}

HRESULT View::add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler* handler,
                                      EventRegistrationToken* token) {
    return scriptDialogOpening_.Add(handler, token);
}

HRESULT View::remove_ScriptDialogOpening(EventRegistrationToken token) {
    return scriptDialogOpening_.Remove(token);
}

HRESULT View::add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* handler,
                                      EventRegistrationToken* token) {
    return permissionRequested.Add(handler, token);
}

HRESULT View::remove_PermissionRequested(EventRegistrationToken token) {
    return permissionRequested.Remove(token);
}

HRESULT View::add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                                EventRegistrationToken* token) {
    return processFailed_.Add(handler, token);
}

HRESULT View::remove_ProcessFailed(EventRegistrationToken token) {
    return processFailed_.Remove(token);
}

HRESULT View::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler*) {
    return Unsupported("ICoreWebView2::AddScriptToExecuteOnDocumentCreated");
}

HRESULT View::RemoveScriptToExecuteOnDocumentCreated(LPCWSTR) {
    return Unsupported("ICoreWebView2::RemoveScriptToExecuteOnDocumentCreated");
}

HRESULT View::ExecuteScript(LPCWSTR, ICoreWebView2ExecuteScriptCompletedHandler*) {
    return Unsupported("ICoreWebView2::ExecuteScript");
}

HRESULT View::CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT, IStream*,
                             ICoreWebView2CapturePreviewCompletedHandler*) {
    return Unsupported("ICoreWebView2::CapturePreview");
}

HRESULT View::Reload() {
    Log("reload");
    return S_OK;
}

HRESULT View::PostWebMessageAsJson(LPCWSTR webMessageAsJson) {
    Log("post-web-message json=" + QuoteOrNull(webMessageAsJson));
    return S_OK;
}

HRESULT View::PostWebMessageAsString(LPCWSTR webMessageAsString) {
    Log("post-web-message string=" + QuoteOrNull(webMessageAsString));
    return S_OK;
}

HRESULT View::add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                                     EventRegistrationToken* token) {
    return webMessageReceived.Add(handler, token);
}

HRESULT View::remove_WebMessageReceived(EventRegistrationToken token) {
    return webMessageReceived.Remove(token);
}

HRESULT View::CallDevToolsProtocolMethod(LPCWSTR, LPCWSTR,
                                         ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*) {
    return Unsupported("ICoreWebView2::CallDevToolsProtocolMethod");
}

HRESULT View::get_BrowserProcessId(UINT32* value) {
    return GiveValue<UINT32>(GetCurrentProcessId(), value);
}

HRESULT View::get_CanGoBack(BOOL* canGoBack) {
    return GiveValue<BOOL>(FALSE, canGoBack);
}

HRESULT View::get_CanGoForward(BOOL* canGoForward) {
    return GiveValue<BOOL>(FALSE, canGoForward);
}

HRESULT View::GoBack() {
    Log("go-back");
    return S_OK;
}

HRESULT View::GoForward() {
    Log("go-forward");
    return S_OK;
}

HRESULT View::GetDevToolsProtocolEventReceiver(LPCWSTR,
                                               ICoreWebView2DevToolsProtocolEventReceiver**) {
    return Unsupported("ICoreWebView2::GetDevToolsProtocolEventReceiver");
}

HRESULT View::Stop() {
    Log("stop");
    return S_OK;
}

HRESULT View::add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                                     EventRegistrationToken* token) {
    return newWindowRequested.Add(handler, token);
}

HRESULT View::remove_NewWindowRequested(EventRegistrationToken token) {
    return newWindowRequested.Remove(token);
}

HRESULT View::add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* handler,
                                       EventRegistrationToken* token) {
    return documentTitleChanged.Add(handler, token);
}

HRESULT View::remove_DocumentTitleChanged(EventRegistrationToken token) {
    return documentTitleChanged.Remove(token);
}

HRESULT View::get_DocumentTitle(LPWSTR* title) {
    return GiveString(State().title, title);
}

HRESULT View::AddHostObjectToScript(LPCWSTR, VARIANT*) {
    return Unsupported("ICoreWebView2::AddHostObjectToScript");
}

HRESULT View::RemoveHostObjectFromScript(LPCWSTR) {
    return Unsupported("ICoreWebView2::RemoveHostObjectFromScript");
}

HRESULT View::OpenDevToolsWindow() {
    Log("open-dev-tools-window");
    return S_OK;
}

HRESULT View::add_ContainsFullScreenElementChanged(
    ICoreWebView2ContainsFullScreenElementChangedEventHandler* handler,
    EventRegistrationToken* token) {
    return containsFullScreenElementChanged.Add(handler, token);
}

HRESULT View::remove_ContainsFullScreenElementChanged(EventRegistrationToken token) {
    return containsFullScreenElementChanged.Remove(token);
}

HRESULT View::get_ContainsFullScreenElement(BOOL* value) {
    return GiveValue(State().fullscreenElement, value);
}

HRESULT View::add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* handler,
                                       EventRegistrationToken* token) {
    return webResourceRequested.Add(handler, token);
}

HRESULT View::remove_WebResourceRequested(EventRegistrationToken token) {
    return webResourceRequested.Remove(token);
}

HRESULT View::AddWebResourceRequestedFilter(const LPCWSTR uri,
                                            const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    Log("filter-add " + QuoteOrNull(uri) + " context=" + std::to_string(int(context)));
    if (!uri) {
        return E_INVALIDARG;
    }
    // The older call admits documents' requests only.
    filters_.push_back(
        {uri, int(context), COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT});
    return S_OK;
}

HRESULT View::RemoveWebResourceRequestedFilter(const LPCWSTR uri,
                                               const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) {
    Log("filter-remove " + QuoteOrNull(uri) + " context=" + std::to_string(int(context)));
    for (auto it = filters_.begin(); it != filters_.end(); ++it) {
        if (uri && it->uri == uri && it->context == int(context) &&
            it->sourceKinds == COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS_DOCUMENT) {
            filters_.erase(it);
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

HRESULT View::AddWebResourceRequestedFilterWithRequestSourceKinds(
    const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
    const COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS sourceKinds) {
    Log("filter-add " + QuoteOrNull(uri) + " context=" + std::to_string(int(context)) +
        " sources=" + Hex32(std::uint32_t(sourceKinds)));
    if (!uri) {
        return E_INVALIDARG;
    }
    filters_.push_back({uri, int(context), unsigned(sourceKinds)});
    return S_OK;
}

HRESULT View::RemoveWebResourceRequestedFilterWithRequestSourceKinds(
    const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
    const COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS sourceKinds) {
    Log("filter-remove " + QuoteOrNull(uri) + " context=" + std::to_string(int(context)) +
        " sources=" + Hex32(std::uint32_t(sourceKinds)));
    for (auto it = filters_.begin(); it != filters_.end(); ++it) {
        if (uri && it->uri == uri && it->context == int(context) &&
            it->sourceKinds == unsigned(sourceKinds)) {
            filters_.erase(it);
            return S_OK;
        }
    }
    return E_INVALIDARG;
}

HRESULT View::add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* handler,
                                       EventRegistrationToken* token) {
    return windowCloseRequested.Add(handler, token);
}

HRESULT View::remove_WindowCloseRequested(EventRegistrationToken token) {
    return windowCloseRequested.Remove(token);
}

HRESULT View::add_WebResourceResponseReceived(
    ICoreWebView2WebResourceResponseReceivedEventHandler* handler, EventRegistrationToken* token) {
    return webResourceResponseReceived_.Add(handler, token);
}

HRESULT View::remove_WebResourceResponseReceived(EventRegistrationToken token) {
    return webResourceResponseReceived_.Remove(token);
}

HRESULT View::NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest*) {
    return Unsupported("ICoreWebView2_2::NavigateWithWebResourceRequest");
}

HRESULT View::add_DOMContentLoaded(ICoreWebView2DOMContentLoadedEventHandler* handler,
                                   EventRegistrationToken* token) {
    return domContentLoaded.Add(handler, token);
}

HRESULT View::remove_DOMContentLoaded(EventRegistrationToken token) {
    return domContentLoaded.Remove(token);
}

HRESULT View::get_CookieManager(ICoreWebView2CookieManager**) {
    return Unsupported("ICoreWebView2_2::get_CookieManager");
}

HRESULT View::get_Environment(ICoreWebView2Environment** environment) {
    return GiveObject(State().environment, environment);
}

}  // namespace tessaly::standin
