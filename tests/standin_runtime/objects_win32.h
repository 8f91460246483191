// The stand-in runtime's COM objects: environment, controller, view, settings, request,
// headers, response and the event arguments. Calls that change something are logged; calls the
// stand-in does not model are logged as "unsupported" and fail with E_NOTIMPL, so a program that
// starts to use more of the runtime shows it in the log.
#pragma once

#include "runtime_win32.h"
// The header above brings windows.h first.

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tessaly::standin {

// Reference counting and QueryInterface for one interface and its bases. Derived classes add
// the interfaces they answer for in Answers.
template <class Interface>
class Object : public Interface {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        if (iid == __uuidof(IUnknown) || Answers(iid)) {
            *object = static_cast<Interface*>(this);
            this->AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&count_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&count_);
        if (left == 0) {
            delete this;
        }
        return left;
    }

  protected:
    virtual ~Object() = default;
    virtual bool Answers(REFIID iid) { return iid == __uuidof(Interface); }

  private:
    LONG count_ = 1;
};

// A new object holding the one reference it starts with.
template <class T, class... Args>
Microsoft::WRL::ComPtr<T> Make(Args&&... args) {
    Microsoft::WRL::ComPtr<T> made;
    *made.GetAddressOf() = new T(std::forward<Args>(args)...);
    return made;
}

HRESULT Unsupported(const char* method);

// The handlers registered for one event, in registration order, with their tokens.
template <class Handler>
class Registry {
  public:
    explicit Registry(const char* event) : event_(event) {}

    HRESULT Add(Handler* handler, EventRegistrationToken* token) {
        const INT64 value = State().nextToken++;
        Log(std::string("register ") + event_ + (handler ? "" : " handler=null"));
        if (token) {
            token->value = value;
        }
        if (handler) {
            // Every COM interface starts with IUnknown's three slots, so the handler can be held
            // as IUnknown even where its own interface is only declared, not defined.
            handlers_.emplace_back(value, reinterpret_cast<IUnknown*>(handler));
        }
        return handler ? S_OK : E_INVALIDARG;
    }

    HRESULT Remove(EventRegistrationToken token) {
        Log(std::string("unregister ") + event_);
        for (auto it = handlers_.begin(); it != handlers_.end(); ++it) {
            if (it->first == token.value) {
                handlers_.erase(it);
                return S_OK;
            }
        }
        return E_INVALIDARG;
    }

    // Calls every handler in order; a copy of the list, since a handler may unregister.
    template <class Sender, class Args>
    void Raise(Sender* sender, Args* args) {
        const auto handlers = handlers_;
        if (handlers.empty()) {
            Log(std::string("no-handler ") + event_);
        }
        for (const auto& [token, handler] : handlers) {
            const HRESULT result = reinterpret_cast<Handler*>(handler.Get())->Invoke(sender, args);
            if (result != S_OK) {
                Log(std::string("handler-result ") + event_ + " " + Hex32(std::uint32_t(result)));
            }
        }
    }

  private:
    const char* event_;
    std::vector<std::pair<INT64, Microsoft::WRL::ComPtr<IUnknown>>> handlers_;
};

class Environment final : public Object<ICoreWebView2Environment> {
  public:
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(
        IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
        ICoreWebView2WebResourceResponse** response) override;
    HRESULT STDMETHODCALLTYPE get_BrowserVersionString(LPWSTR* versionInfo) override;
    HRESULT STDMETHODCALLTYPE
    add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler* handler,
                                   EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    remove_NewBrowserVersionAvailable(EventRegistrationToken token) override;

  private:
    Registry<ICoreWebView2NewBrowserVersionAvailableEventHandler> newBrowserVersion_{
        "NewBrowserVersionAvailable"};
};

class Settings final : public Object<ICoreWebView2Settings> {
  public:
#define STANDIN_SETTING(Name, initial)                           \
    HRESULT STDMETHODCALLTYPE get_##Name(BOOL* value) override { \
        if (!value) {                                            \
            return E_POINTER;                                    \
        }                                                        \
        *value = Name##_;                                        \
        return S_OK;                                             \
    }                                                            \
    HRESULT STDMETHODCALLTYPE put_##Name(BOOL value) override {  \
        Log("setting " #Name "=" + std::to_string(value));       \
        Name##_ = value;                                         \
        return S_OK;                                             \
    }                                                            \
                                                                 \
  private:                                                       \
    BOOL Name##_ = initial;                                      \
                                                                 \
  public:
    // In vtable order; the runtime's defaults.
    STANDIN_SETTING(IsScriptEnabled, TRUE)
    STANDIN_SETTING(IsWebMessageEnabled, TRUE)
    STANDIN_SETTING(AreDefaultScriptDialogsEnabled, TRUE)
    STANDIN_SETTING(IsStatusBarEnabled, TRUE)
    STANDIN_SETTING(AreDevToolsEnabled, TRUE)
    STANDIN_SETTING(AreDefaultContextMenusEnabled, TRUE)
    STANDIN_SETTING(AreHostObjectsAllowed, TRUE)
    STANDIN_SETTING(IsZoomControlEnabled, TRUE)
    STANDIN_SETTING(IsBuiltInErrorPageEnabled, TRUE)
#undef STANDIN_SETTING
};

// Request headers: names compare without letter case, as in HTTP.
class RequestHeaders final : public Object<ICoreWebView2HttpRequestHeaders> {
  public:
    void Set(const std::wstring& name, const std::wstring& value);

    HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE
    GetHeaders(LPCWSTR name, ICoreWebView2HttpHeadersCollectionIterator** value) override;
    HRESULT STDMETHODCALLTYPE Contains(LPCWSTR name, BOOL* value) override;
    HRESULT STDMETHODCALLTYPE SetHeader(LPCWSTR name, LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE RemoveHeader(LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE
    GetIterator(ICoreWebView2HttpHeadersCollectionIterator** value) override;

  private:
    std::vector<std::pair<std::wstring, std::wstring>>::iterator Find(LPCWSTR name);
    std::vector<std::pair<std::wstring, std::wstring>> headers_;
};

class Request final : public Object<ICoreWebView2WebResourceRequest> {
  public:
    Request(std::wstring uri, Microsoft::WRL::ComPtr<RequestHeaders> headers)
        : uri_(std::move(uri)), headers_(std::move(headers)) {}

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE put_Uri(LPCWSTR uri) override;
    HRESULT STDMETHODCALLTYPE get_Method(LPWSTR* method) override;
    HRESULT STDMETHODCALLTYPE put_Method(LPCWSTR method) override;
    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override;
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override;
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders** headers) override;

  private:
    std::wstring uri_;
    Microsoft::WRL::ComPtr<RequestHeaders> headers_;
};

class Response final : public Object<ICoreWebView2WebResourceResponse> {
  public:
    Response(IStream* content, int status, LPCWSTR reason, LPCWSTR headers)
        : content_(content),
          status_(status),
          reason_(reason ? reason : L""),
          headers_(headers ? headers : L""),
          hasHeaders_(headers != nullptr) {}

    // What CreateWebResourceResponse was given, for the log.
    const std::wstring& HeaderText() const { return headers_; }
    bool HasHeaderText() const { return hasHeaders_; }

    HRESULT STDMETHODCALLTYPE get_Content(IStream** content) override;
    HRESULT STDMETHODCALLTYPE put_Content(IStream* content) override;
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpResponseHeaders** headers) override;
    HRESULT STDMETHODCALLTYPE get_StatusCode(int* statusCode) override;
    HRESULT STDMETHODCALLTYPE put_StatusCode(int statusCode) override;
    HRESULT STDMETHODCALLTYPE get_ReasonPhrase(LPWSTR* reasonPhrase) override;
    HRESULT STDMETHODCALLTYPE put_ReasonPhrase(LPCWSTR reasonPhrase) override;

  private:
    Microsoft::WRL::ComPtr<IStream> content_;
    int status_;
    std::wstring reason_;
    std::wstring headers_;
    bool hasHeaders_;
};

class WebResourceRequestedArgs final : public Object<ICoreWebView2WebResourceRequestedEventArgs> {
  public:
    WebResourceRequestedArgs(Microsoft::WRL::ComPtr<Request> request, int context)
        : request_(std::move(request)), context_(context) {}

    // The response the program handed over, if it was one of the environment's.
    Response* GivenResponse() const { return response_.Get(); }
    bool ResponsePut() const { return responsePut_; }

    HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) override;
    HRESULT STDMETHODCALLTYPE get_Response(ICoreWebView2WebResourceResponse** response) override;
    HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override;
    HRESULT STDMETHODCALLTYPE
    get_ResourceContext(COREWEBVIEW2_WEB_RESOURCE_CONTEXT* context) override;

  private:
    Microsoft::WRL::ComPtr<Request> request_;
    Microsoft::WRL::ComPtr<Response> response_;
    bool responsePut_ = false;
    int context_;
};

class NavigationStartingArgs final : public Object<ICoreWebView2NavigationStartingEventArgs> {
  public:
    NavigationStartingArgs(std::wstring uri, UINT64 id) : uri_(std::move(uri)), id_(id) {}
    BOOL Cancelled() const { return cancel_; }

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE get_IsRedirected(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE
    get_RequestHeaders(ICoreWebView2HttpRequestHeaders** requestHeaders) override;
    HRESULT STDMETHODCALLTYPE get_Cancel(BOOL* cancel) override;
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override;
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* navigationId) override;

  private:
    std::wstring uri_;
    UINT64 id_;
    BOOL cancel_ = FALSE;
};

class NewWindowRequestedArgs final : public Object<ICoreWebView2NewWindowRequestedEventArgs> {
  public:
    explicit NewWindowRequestedArgs(std::wstring uri) : uri_(std::move(uri)) {}
    BOOL Handled() const { return handled_; }
    bool NewWindowGiven() const { return newWindow_ != nullptr; }

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE put_NewWindow(ICoreWebView2* newWindow) override;
    HRESULT STDMETHODCALLTYPE get_NewWindow(ICoreWebView2** newWindow) override;
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override;
    HRESULT STDMETHODCALLTYPE get_Handled(BOOL* handled) override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override;
    HRESULT STDMETHODCALLTYPE get_WindowFeatures(ICoreWebView2WindowFeatures** value) override;

  private:
    std::wstring uri_;
    BOOL handled_ = FALSE;
    Microsoft::WRL::ComPtr<ICoreWebView2> newWindow_;
};

class PermissionRequestedArgs final : public Object<ICoreWebView2PermissionRequestedEventArgs> {
  public:
    PermissionRequestedArgs(std::wstring uri, int kind) : uri_(std::move(uri)), kind_(kind) {}
    COREWEBVIEW2_PERMISSION_STATE StateNow() const { return state_; }

    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) override;
    HRESULT STDMETHODCALLTYPE get_IsUserInitiated(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE get_State(COREWEBVIEW2_PERMISSION_STATE* state) override;
    HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) override;
    HRESULT STDMETHODCALLTYPE GetDeferral(ICoreWebView2Deferral** deferral) override;

  private:
    std::wstring uri_;
    int kind_;
    COREWEBVIEW2_PERMISSION_STATE state_ = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
};

// A posted message: a string (isString) or any other JSON value, given as its JSON text.
class WebMessageReceivedArgs final : public Object<ICoreWebView2WebMessageReceivedEventArgs> {
  public:
    WebMessageReceivedArgs(std::wstring source, std::wstring message, bool isString)
        : source_(std::move(source)), message_(std::move(message)), isString_(isString) {}

    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* value) override;

  private:
    std::wstring source_;
    std::wstring message_;
    bool isString_;
};

class DOMContentLoadedArgs final : public Object<ICoreWebView2DOMContentLoadedEventArgs> {
  public:
    explicit DOMContentLoadedArgs(UINT64 id) : id_(id) {}
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* value) override;

  private:
    UINT64 id_;
};

// The arguments of events that have none of their own.
class EmptyArgs final : public Object<IUnknown> {};

class Controller final : public Object<ICoreWebView2Controller> {
  public:
    HRESULT STDMETHODCALLTYPE get_IsVisible(BOOL* isVisible) override;
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) override;
    HRESULT STDMETHODCALLTYPE get_Bounds(RECT* bounds) override;
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override;
    HRESULT STDMETHODCALLTYPE get_ZoomFactor(double* zoomFactor) override;
    HRESULT STDMETHODCALLTYPE put_ZoomFactor(double zoomFactor) override;
    HRESULT STDMETHODCALLTYPE
    add_ZoomFactorChanged(ICoreWebView2ZoomFactorChangedEventHandler* handler,
                          EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ZoomFactorChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE SetBoundsAndZoomFactor(RECT bounds, double zoomFactor) override;
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    HRESULT STDMETHODCALLTYPE
    add_MoveFocusRequested(ICoreWebView2MoveFocusRequestedEventHandler* handler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_MoveFocusRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_GotFocus(ICoreWebView2FocusChangedEventHandler* handler,
                                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_GotFocus(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_LostFocus(ICoreWebView2FocusChangedEventHandler* handler,
                                            EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_LostFocus(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_AcceleratorKeyPressed(ICoreWebView2AcceleratorKeyPressedEventHandler* handler,
                              EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_AcceleratorKeyPressed(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE get_ParentWindow(HWND* parentWindow) override;
    HRESULT STDMETHODCALLTYPE put_ParentWindow(HWND parentWindow) override;
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override;
    HRESULT STDMETHODCALLTYPE Close() override;
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) override;

  private:
    BOOL visible_ = FALSE;
    RECT bounds_ = {};
    double zoom_ = 1.0;
    Registry<ICoreWebView2ZoomFactorChangedEventHandler> zoomFactorChanged_{"ZoomFactorChanged"};
    Registry<ICoreWebView2MoveFocusRequestedEventHandler> moveFocusRequested_{"MoveFocusRequested"};
    Registry<ICoreWebView2FocusChangedEventHandler> gotFocus_{"GotFocus"};
    Registry<ICoreWebView2FocusChangedEventHandler> lostFocus_{"LostFocus"};
    Registry<ICoreWebView2AcceleratorKeyPressedEventHandler> acceleratorKeyPressed_{
        "AcceleratorKeyPressed"};
};

// The view answers for ICoreWebView2 and, unless the scenario says otherwise, ICoreWebView2_2;
// for ICoreWebView2_22 only when the scenario says so (runtime 120, which the stand-in plays,
// predates it).
class View final : public Object<ICoreWebView2_22> {
  public:
    struct Filter {
        std::wstring uri;
        int context;
        unsigned sourceKinds;  // COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS
    };

    View();

    // Whether a filter admits a request for `uri` in `context` from a requester of `sourceKind`
    // (one COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS flag).
    bool Filtered(const std::wstring& uri, int context, unsigned sourceKind) const;

    Registry<ICoreWebView2NavigationStartingEventHandler> navigationStarting{"NavigationStarting"};
    Registry<ICoreWebView2PermissionRequestedEventHandler> permissionRequested{
        "PermissionRequested"};
    Registry<ICoreWebView2WebMessageReceivedEventHandler> webMessageReceived{"WebMessageReceived"};
    Registry<ICoreWebView2NewWindowRequestedEventHandler> newWindowRequested{"NewWindowRequested"};
    Registry<ICoreWebView2DocumentTitleChangedEventHandler> documentTitleChanged{
        "DocumentTitleChanged"};
    Registry<ICoreWebView2ContainsFullScreenElementChangedEventHandler>
        containsFullScreenElementChanged{"ContainsFullScreenElementChanged"};
    Registry<ICoreWebView2WebResourceRequestedEventHandler> webResourceRequested{
        "WebResourceRequested"};
    Registry<ICoreWebView2WindowCloseRequestedEventHandler> windowCloseRequested{
        "WindowCloseRequested"};
    Registry<ICoreWebView2DOMContentLoadedEventHandler> domContentLoaded{"DOMContentLoaded"};

    // ICoreWebView2
    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override;
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* uri) override;
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
    HRESULT STDMETHODCALLTYPE NavigateToString(LPCWSTR htmlContent) override;
    HRESULT STDMETHODCALLTYPE
    add_NavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NavigationStarting(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_ContentLoading(ICoreWebView2ContentLoadingEventHandler* handler,
                                                 EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ContentLoading(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_SourceChanged(ICoreWebView2SourceChangedEventHandler* handler,
                                                EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_SourceChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_HistoryChanged(ICoreWebView2HistoryChangedEventHandler* handler,
                                                 EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_HistoryChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_NavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                            EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NavigationCompleted(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_FrameNavigationStarting(ICoreWebView2NavigationStartingEventHandler* handler,
                                EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_FrameNavigationStarting(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_FrameNavigationCompleted(ICoreWebView2NavigationCompletedEventHandler* handler,
                                 EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    remove_FrameNavigationCompleted(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_ScriptDialogOpening(ICoreWebView2ScriptDialogOpeningEventHandler* handler,
                            EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ScriptDialogOpening(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_PermissionRequested(ICoreWebView2PermissionRequestedEventHandler* handler,
                            EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_PermissionRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE add_ProcessFailed(ICoreWebView2ProcessFailedEventHandler* handler,
                                                EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_ProcessFailed(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR javaScript,
        ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id) override;
    HRESULT STDMETHODCALLTYPE
    ExecuteScript(LPCWSTR javaScript, ICoreWebView2ExecuteScriptCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE
    CapturePreview(COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT imageFormat, IStream* imageStream,
                   ICoreWebView2CapturePreviewCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE Reload() override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) override;
    HRESULT STDMETHODCALLTYPE
    add_WebMessageReceived(ICoreWebView2WebMessageReceivedEventHandler* handler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_WebMessageReceived(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE CallDevToolsProtocolMethod(
        LPCWSTR methodName, LPCWSTR parametersAsJson,
        ICoreWebView2CallDevToolsProtocolMethodCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE get_BrowserProcessId(UINT32* value) override;
    HRESULT STDMETHODCALLTYPE get_CanGoBack(BOOL* canGoBack) override;
    HRESULT STDMETHODCALLTYPE get_CanGoForward(BOOL* canGoForward) override;
    HRESULT STDMETHODCALLTYPE GoBack() override;
    HRESULT STDMETHODCALLTYPE GoForward() override;
    HRESULT STDMETHODCALLTYPE GetDevToolsProtocolEventReceiver(
        LPCWSTR eventName, ICoreWebView2DevToolsProtocolEventReceiver** receiver) override;
    HRESULT STDMETHODCALLTYPE Stop() override;
    HRESULT STDMETHODCALLTYPE
    add_NewWindowRequested(ICoreWebView2NewWindowRequestedEventHandler* handler,
                           EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_NewWindowRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    add_DocumentTitleChanged(ICoreWebView2DocumentTitleChangedEventHandler* handler,
                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_DocumentTitleChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override;
    HRESULT STDMETHODCALLTYPE AddHostObjectToScript(LPCWSTR name, VARIANT* object) override;
    HRESULT STDMETHODCALLTYPE RemoveHostObjectFromScript(LPCWSTR name) override;
    HRESULT STDMETHODCALLTYPE OpenDevToolsWindow() override;
    HRESULT STDMETHODCALLTYPE add_ContainsFullScreenElementChanged(
        ICoreWebView2ContainsFullScreenElementChangedEventHandler* handler,
        EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    remove_ContainsFullScreenElementChanged(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE
    add_WebResourceRequested(ICoreWebView2WebResourceRequestedEventHandler* handler,
                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_WebResourceRequested(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;
    HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilter(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;
    HRESULT STDMETHODCALLTYPE
    add_WindowCloseRequested(ICoreWebView2WindowCloseRequestedEventHandler* handler,
                             EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_WindowCloseRequested(EventRegistrationToken token) override;

    // ICoreWebView2_2
    HRESULT STDMETHODCALLTYPE
    add_WebResourceResponseReceived(ICoreWebView2WebResourceResponseReceivedEventHandler* handler,
                                    EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE
    remove_WebResourceResponseReceived(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    NavigateWithWebResourceRequest(ICoreWebView2WebResourceRequest* request) override;
    HRESULT STDMETHODCALLTYPE add_DOMContentLoaded(
        ICoreWebView2DOMContentLoadedEventHandler* handler, EventRegistrationToken* token) override;
    HRESULT STDMETHODCALLTYPE remove_DOMContentLoaded(EventRegistrationToken token) override;
    HRESULT STDMETHODCALLTYPE
    get_CookieManager(ICoreWebView2CookieManager** cookieManager) override;
    HRESULT STDMETHODCALLTYPE get_Environment(ICoreWebView2Environment** environment) override;

    // ICoreWebView2_3 to ICoreWebView2_21: not modelled.
#define STANDIN_UNUSED_SLOT(n)                           \
    HRESULT STDMETHODCALLTYPE UnusedSlot##n() override { \
        return Unsupported("ICoreWebView2 slot " #n);    \
    }
    STANDIN_UNUSED_SLOT(68)
    STANDIN_UNUSED_SLOT(69)
    STANDIN_UNUSED_SLOT(70)
    STANDIN_UNUSED_SLOT(71)
    STANDIN_UNUSED_SLOT(72)
    STANDIN_UNUSED_SLOT(73)
    STANDIN_UNUSED_SLOT(74)
    STANDIN_UNUSED_SLOT(75)
    STANDIN_UNUSED_SLOT(76)
    STANDIN_UNUSED_SLOT(77)
    STANDIN_UNUSED_SLOT(78)
    STANDIN_UNUSED_SLOT(79)
    STANDIN_UNUSED_SLOT(80)
    STANDIN_UNUSED_SLOT(81)
    STANDIN_UNUSED_SLOT(82)
    STANDIN_UNUSED_SLOT(83)
    STANDIN_UNUSED_SLOT(84)
    STANDIN_UNUSED_SLOT(85)
    STANDIN_UNUSED_SLOT(86)
    STANDIN_UNUSED_SLOT(87)
    STANDIN_UNUSED_SLOT(88)
    STANDIN_UNUSED_SLOT(89)
    STANDIN_UNUSED_SLOT(90)
    STANDIN_UNUSED_SLOT(91)
    STANDIN_UNUSED_SLOT(92)
    STANDIN_UNUSED_SLOT(93)
    STANDIN_UNUSED_SLOT(94)
    STANDIN_UNUSED_SLOT(95)
    STANDIN_UNUSED_SLOT(96)
    STANDIN_UNUSED_SLOT(97)
    STANDIN_UNUSED_SLOT(98)
    STANDIN_UNUSED_SLOT(99)
    STANDIN_UNUSED_SLOT(100)
    STANDIN_UNUSED_SLOT(101)
    STANDIN_UNUSED_SLOT(102)
    STANDIN_UNUSED_SLOT(103)
    STANDIN_UNUSED_SLOT(104)
    STANDIN_UNUSED_SLOT(105)
    STANDIN_UNUSED_SLOT(106)
    STANDIN_UNUSED_SLOT(107)
    STANDIN_UNUSED_SLOT(108)
    STANDIN_UNUSED_SLOT(109)
    STANDIN_UNUSED_SLOT(110)
    STANDIN_UNUSED_SLOT(111)
    STANDIN_UNUSED_SLOT(112)
    STANDIN_UNUSED_SLOT(113)
    STANDIN_UNUSED_SLOT(114)
    STANDIN_UNUSED_SLOT(115)
    STANDIN_UNUSED_SLOT(116)
    STANDIN_UNUSED_SLOT(117)
    STANDIN_UNUSED_SLOT(118)
    STANDIN_UNUSED_SLOT(119)
    STANDIN_UNUSED_SLOT(120)
    STANDIN_UNUSED_SLOT(121)
    STANDIN_UNUSED_SLOT(122)
#undef STANDIN_UNUSED_SLOT

    // ICoreWebView2_22
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilterWithRequestSourceKinds(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
        const COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS sourceKinds) override;
    HRESULT STDMETHODCALLTYPE RemoveWebResourceRequestedFilterWithRequestSourceKinds(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
        const COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS sourceKinds) override;

  protected:
    bool Answers(REFIID iid) override;

  private:
    Microsoft::WRL::ComPtr<Settings> settings_;
    std::vector<Filter> filters_;
    Registry<ICoreWebView2ContentLoadingEventHandler> contentLoading_{"ContentLoading"};
    Registry<ICoreWebView2SourceChangedEventHandler> sourceChanged_{"SourceChanged"};
    Registry<ICoreWebView2HistoryChangedEventHandler> historyChanged_{"HistoryChanged"};
    Registry<ICoreWebView2NavigationCompletedEventHandler> navigationCompleted_{
        "NavigationCompleted"};
    Registry<ICoreWebView2NavigationStartingEventHandler> frameNavigationStarting_{
        "FrameNavigationStarting"};
    Registry<ICoreWebView2NavigationCompletedEventHandler> frameNavigationCompleted_{
        "FrameNavigationCompleted"};
    Registry<ICoreWebView2ScriptDialogOpeningEventHandler> scriptDialogOpening_{
        "ScriptDialogOpening"};
    Registry<ICoreWebView2ProcessFailedEventHandler> processFailed_{"ProcessFailed"};
    Registry<ICoreWebView2WebResourceResponseReceivedEventHandler> webResourceResponseReceived_{
        "WebResourceResponseReceived"};
};

}  // namespace tessaly::standin
