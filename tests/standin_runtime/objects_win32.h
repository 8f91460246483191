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
// A text for the log: quoted when short, else its length in UTF-8 bytes and its SHA-256, so
// `name="..."` or `name-length=N sha256=HEX`.
std::string LogText(const std::string& name, const std::string& text);
// A copy of `text` in task memory for an [out] string.
HRESULT GiveString(const std::wstring& text, LPWSTR* out);

// An object with a URI the program reads through get_Uri.
template <class Interface>
class WithUri : public Object<Interface> {
  public:
    explicit WithUri(std::wstring uri) : uri_(std::move(uri)) {}
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return GiveString(uri_, uri); }

  private:
    std::wstring uri_;
};

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

// A method the stand-in does not model: it logs "unsupported Interface::Method" and fails with
// E_NOTIMPL. The parameter list gives the types only.
#define STANDIN_UNSUPPORTED(Interface, Method, ...)          \
    HRESULT STDMETHODCALLTYPE Method(__VA_ARGS__) override { \
        return Unsupported(#Interface "::" #Method);         \
    }
// An event the program may register for, NAME: add_NAME and remove_NAME, and the handlers,
// public as onNAME for the steps to raise.
#define STANDIN_EVENT(Name)                                                          \
    HRESULT STDMETHODCALLTYPE add_##Name(ICoreWebView2##Name##EventHandler* handler, \
                                         EventRegistrationToken* token) override {   \
        return on##Name.Add(handler, token);                                         \
    }                                                                                \
    HRESULT STDMETHODCALLTYPE remove_##Name(EventRegistrationToken token) override { \
        return on##Name.Remove(token);                                               \
    }                                                                                \
    Registry<ICoreWebView2##Name##EventHandler> on##Name{#Name};
// An event nobody registers for.
#define STANDIN_UNSUPPORTED_EVENT(Interface, Name, Handler)                       \
    STANDIN_UNSUPPORTED(Interface, add_##Name, Handler*, EventRegistrationToken*) \
    STANDIN_UNSUPPORTED(Interface, remove_##Name, EventRegistrationToken)

class Environment final : public Object<ICoreWebView2Environment> {
  public:
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CreateWebResourceResponse(
        IStream* content, int statusCode, LPCWSTR reasonPhrase, LPCWSTR headers,
        ICoreWebView2WebResourceResponse** response) override;
    STANDIN_UNSUPPORTED(ICoreWebView2Environment, get_BrowserVersionString, LPWSTR*)
    STANDIN_UNSUPPORTED_EVENT(ICoreWebView2Environment, NewBrowserVersionAvailable,
                              ICoreWebView2NewBrowserVersionAvailableEventHandler)
};

// The settings log what the program sets; nobody reads them back.
class Settings final : public Object<ICoreWebView2Settings> {
  public:
#define STANDIN_SETTING(Name)                                     \
    STANDIN_UNSUPPORTED(ICoreWebView2Settings, get_##Name, BOOL*) \
    HRESULT STDMETHODCALLTYPE put_##Name(BOOL value) override {   \
        Log("setting " #Name "=" + std::to_string(value));        \
        return S_OK;                                              \
    }
    // In vtable order.
    STANDIN_SETTING(IsScriptEnabled)
    STANDIN_SETTING(IsWebMessageEnabled)
    STANDIN_SETTING(AreDefaultScriptDialogsEnabled)
    STANDIN_UNSUPPORTED(ICoreWebView2Settings, get_IsStatusBarEnabled, BOOL*)
    STANDIN_UNSUPPORTED(ICoreWebView2Settings, put_IsStatusBarEnabled, BOOL)
    STANDIN_SETTING(AreDevToolsEnabled)
    STANDIN_SETTING(AreDefaultContextMenusEnabled)
    STANDIN_SETTING(AreHostObjectsAllowed)
    STANDIN_SETTING(IsZoomControlEnabled)
    STANDIN_UNSUPPORTED(ICoreWebView2Settings, get_IsBuiltInErrorPageEnabled, BOOL*)
    STANDIN_UNSUPPORTED(ICoreWebView2Settings, put_IsBuiltInErrorPageEnabled, BOOL)
#undef STANDIN_SETTING
};

// Request headers: names compare without letter case, as in HTTP. The program only reads them.
class RequestHeaders final : public Object<ICoreWebView2HttpRequestHeaders> {
  public:
    void Set(const std::wstring& name, const std::wstring& value);

    HRESULT STDMETHODCALLTYPE GetHeader(LPCWSTR name, LPWSTR* value) override;
    STANDIN_UNSUPPORTED(ICoreWebView2HttpRequestHeaders, GetHeaders, LPCWSTR,
                        ICoreWebView2HttpHeadersCollectionIterator**)
    HRESULT STDMETHODCALLTYPE Contains(LPCWSTR name, BOOL* value) override;
    STANDIN_UNSUPPORTED(ICoreWebView2HttpRequestHeaders, SetHeader, LPCWSTR, LPCWSTR)
    STANDIN_UNSUPPORTED(ICoreWebView2HttpRequestHeaders, RemoveHeader, LPCWSTR)
    STANDIN_UNSUPPORTED(ICoreWebView2HttpRequestHeaders, GetIterator,
                        ICoreWebView2HttpHeadersCollectionIterator**)

  private:
    std::vector<std::pair<std::wstring, std::wstring>>::iterator Find(LPCWSTR name);
    std::vector<std::pair<std::wstring, std::wstring>> headers_;
};

class Request final : public WithUri<ICoreWebView2WebResourceRequest> {
  public:
    Request(std::wstring uri, Microsoft::WRL::ComPtr<RequestHeaders> headers)
        : WithUri(std::move(uri)), headers_(std::move(headers)) {}

    STANDIN_UNSUPPORTED(ICoreWebView2WebResourceRequest, put_Uri, LPCWSTR)
    STANDIN_UNSUPPORTED(ICoreWebView2WebResourceRequest, get_Method, LPWSTR*)
    STANDIN_UNSUPPORTED(ICoreWebView2WebResourceRequest, put_Method, LPCWSTR)
    STANDIN_UNSUPPORTED(ICoreWebView2WebResourceRequest, get_Content, IStream**)
    STANDIN_UNSUPPORTED(ICoreWebView2WebResourceRequest, put_Content, IStream*)
    HRESULT STDMETHODCALLTYPE get_Headers(ICoreWebView2HttpRequestHeaders** headers) override;

  private:
    Microsoft::WRL::ComPtr<RequestHeaders> headers_;
};

// A response as CreateWebResourceResponse made it; the program never changes or reads it back,
// the stand-in reads it when the request's handlers have returned.
class Response final : public Object<ICoreWebView2WebResourceResponse> {
  public:
    Response(IStream* content, int status, LPCWSTR reason, LPCWSTR headers)
        : content(content),
          status(status),
          reason(reason ? reason : L""),
          headers(headers ? headers : L""),
          hasHeaders(headers != nullptr) {}

    const Microsoft::WRL::ComPtr<IStream> content;
    const int status;
    const std::wstring reason;
    const std::wstring headers;
    const bool hasHeaders;

#define STANDIN_UNSUPPORTED_RESPONSE(Method, ...) \
    STANDIN_UNSUPPORTED(ICoreWebView2WebResourceResponse, Method, __VA_ARGS__)
    STANDIN_UNSUPPORTED_RESPONSE(get_Content, IStream**)
    STANDIN_UNSUPPORTED_RESPONSE(put_Content, IStream*)
    STANDIN_UNSUPPORTED_RESPONSE(get_Headers, ICoreWebView2HttpResponseHeaders**)
    STANDIN_UNSUPPORTED_RESPONSE(get_StatusCode, int*)
    STANDIN_UNSUPPORTED_RESPONSE(put_StatusCode, int)
    STANDIN_UNSUPPORTED_RESPONSE(get_ReasonPhrase, LPWSTR*)
    STANDIN_UNSUPPORTED_RESPONSE(put_ReasonPhrase, LPCWSTR)
#undef STANDIN_UNSUPPORTED_RESPONSE
};

class WebResourceRequestedArgs final : public Object<ICoreWebView2WebResourceRequestedEventArgs> {
  public:
    explicit WebResourceRequestedArgs(Microsoft::WRL::ComPtr<Request> request)
        : request_(std::move(request)) {}

    // The response the program handed over, if it was one of the environment's.
    Response* GivenResponse() const { return response_.Get(); }
    bool ResponsePut() const { return responsePut_; }

    HRESULT STDMETHODCALLTYPE get_Request(ICoreWebView2WebResourceRequest** request) override;
    STANDIN_UNSUPPORTED(ICoreWebView2WebResourceRequestedEventArgs, get_Response,
                        ICoreWebView2WebResourceResponse**)
    HRESULT STDMETHODCALLTYPE put_Response(ICoreWebView2WebResourceResponse* response) override;
    STANDIN_UNSUPPORTED(ICoreWebView2WebResourceRequestedEventArgs, GetDeferral,
                        ICoreWebView2Deferral**)
    STANDIN_UNSUPPORTED(ICoreWebView2WebResourceRequestedEventArgs, get_ResourceContext,
                        COREWEBVIEW2_WEB_RESOURCE_CONTEXT*)

  private:
    Microsoft::WRL::ComPtr<Request> request_;
    Microsoft::WRL::ComPtr<Response> response_;
    bool responsePut_ = false;
};

class NavigationStartingArgs final : public WithUri<ICoreWebView2NavigationStartingEventArgs> {
  public:
    using WithUri::WithUri;
    BOOL Cancelled() const { return cancel_; }

#define STANDIN_UNSUPPORTED_ARGS(Method, ...) \
    STANDIN_UNSUPPORTED(ICoreWebView2NavigationStartingEventArgs, Method, __VA_ARGS__)
    STANDIN_UNSUPPORTED_ARGS(get_IsUserInitiated, BOOL*)
    STANDIN_UNSUPPORTED_ARGS(get_IsRedirected, BOOL*)
    STANDIN_UNSUPPORTED_ARGS(get_RequestHeaders, ICoreWebView2HttpRequestHeaders**)
    STANDIN_UNSUPPORTED_ARGS(get_Cancel, BOOL*)
    HRESULT STDMETHODCALLTYPE put_Cancel(BOOL cancel) override;
    STANDIN_UNSUPPORTED_ARGS(get_NavigationId, UINT64*)
#undef STANDIN_UNSUPPORTED_ARGS

  private:
    BOOL cancel_ = FALSE;
};

class NewWindowRequestedArgs final : public WithUri<ICoreWebView2NewWindowRequestedEventArgs> {
  public:
    using WithUri::WithUri;
    BOOL Handled() const { return handled_; }

#define STANDIN_UNSUPPORTED_ARGS(Method, ...) \
    STANDIN_UNSUPPORTED(ICoreWebView2NewWindowRequestedEventArgs, Method, __VA_ARGS__)
    STANDIN_UNSUPPORTED_ARGS(put_NewWindow, ICoreWebView2*)
    STANDIN_UNSUPPORTED_ARGS(get_NewWindow, ICoreWebView2**)
    HRESULT STDMETHODCALLTYPE put_Handled(BOOL handled) override;
    STANDIN_UNSUPPORTED_ARGS(get_Handled, BOOL*)
    STANDIN_UNSUPPORTED_ARGS(get_IsUserInitiated, BOOL*)
    STANDIN_UNSUPPORTED_ARGS(GetDeferral, ICoreWebView2Deferral**)
    STANDIN_UNSUPPORTED_ARGS(get_WindowFeatures, ICoreWebView2WindowFeatures**)
#undef STANDIN_UNSUPPORTED_ARGS

  private:
    BOOL handled_ = FALSE;
};

class PermissionRequestedArgs final : public WithUri<ICoreWebView2PermissionRequestedEventArgs> {
  public:
    PermissionRequestedArgs(std::wstring uri, int kind) : WithUri(std::move(uri)), kind_(kind) {}
    COREWEBVIEW2_PERMISSION_STATE StateNow() const { return state_; }

    HRESULT STDMETHODCALLTYPE get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) override;
#define STANDIN_UNSUPPORTED_ARGS(Method, ...) \
    STANDIN_UNSUPPORTED(ICoreWebView2PermissionRequestedEventArgs, Method, __VA_ARGS__)
    STANDIN_UNSUPPORTED_ARGS(get_IsUserInitiated, BOOL*)
    STANDIN_UNSUPPORTED_ARGS(get_State, COREWEBVIEW2_PERMISSION_STATE*)
    HRESULT STDMETHODCALLTYPE put_State(COREWEBVIEW2_PERMISSION_STATE state) override;
    STANDIN_UNSUPPORTED_ARGS(GetDeferral, ICoreWebView2Deferral**)
#undef STANDIN_UNSUPPORTED_ARGS

  private:
    int kind_;
    COREWEBVIEW2_PERMISSION_STATE state_ = COREWEBVIEW2_PERMISSION_STATE_DEFAULT;
};

// A posted message: a string (isString) or any other JSON value, given as its JSON text. Only a
// message that is not a string is read as JSON.
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
    STANDIN_UNSUPPORTED(ICoreWebView2DOMContentLoadedEventArgs, get_NavigationId, UINT64*)
};

// The arguments of events that have none of their own.
class EmptyArgs final : public Object<IUnknown> {};

class Controller final : public Object<ICoreWebView2Controller> {
  public:
#define STANDIN_UNSUPPORTED_CONTROLLER(Method, ...) \
    STANDIN_UNSUPPORTED(ICoreWebView2Controller, Method, __VA_ARGS__)
    STANDIN_UNSUPPORTED_CONTROLLER(get_IsVisible, BOOL*)
    HRESULT STDMETHODCALLTYPE put_IsVisible(BOOL isVisible) override;
    STANDIN_UNSUPPORTED_CONTROLLER(get_Bounds, RECT*)
    HRESULT STDMETHODCALLTYPE put_Bounds(RECT bounds) override;
    STANDIN_UNSUPPORTED_CONTROLLER(get_ZoomFactor, double*)
    STANDIN_UNSUPPORTED_CONTROLLER(put_ZoomFactor, double)
    STANDIN_UNSUPPORTED_EVENT(ICoreWebView2Controller, ZoomFactorChanged,
                              ICoreWebView2ZoomFactorChangedEventHandler)
    STANDIN_UNSUPPORTED_CONTROLLER(SetBoundsAndZoomFactor, RECT, double)
    HRESULT STDMETHODCALLTYPE MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) override;
    STANDIN_UNSUPPORTED_EVENT(ICoreWebView2Controller, MoveFocusRequested,
                              ICoreWebView2MoveFocusRequestedEventHandler)
    STANDIN_UNSUPPORTED_EVENT(ICoreWebView2Controller, GotFocus,
                              ICoreWebView2FocusChangedEventHandler)
    STANDIN_UNSUPPORTED_EVENT(ICoreWebView2Controller, LostFocus,
                              ICoreWebView2FocusChangedEventHandler)
    STANDIN_UNSUPPORTED_EVENT(ICoreWebView2Controller, AcceleratorKeyPressed,
                              ICoreWebView2AcceleratorKeyPressedEventHandler)
    STANDIN_UNSUPPORTED_CONTROLLER(get_ParentWindow, HWND*)
    STANDIN_UNSUPPORTED_CONTROLLER(put_ParentWindow, HWND)
    HRESULT STDMETHODCALLTYPE NotifyParentWindowPositionChanged() override;
    STANDIN_UNSUPPORTED_CONTROLLER(Close)
    HRESULT STDMETHODCALLTYPE get_CoreWebView2(ICoreWebView2** coreWebView2) override;
#undef STANDIN_UNSUPPORTED_CONTROLLER
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

#define STANDIN_UNSUPPORTED_VIEW(Method, ...) \
    STANDIN_UNSUPPORTED(ICoreWebView2, Method, __VA_ARGS__)
#define STANDIN_UNSUPPORTED_VIEW_EVENT(Name, Handler) \
    STANDIN_UNSUPPORTED_EVENT(ICoreWebView2, Name, Handler)
    // ICoreWebView2
    HRESULT STDMETHODCALLTYPE get_Settings(ICoreWebView2Settings** settings) override;
    STANDIN_UNSUPPORTED_VIEW(get_Source, LPWSTR*)
    HRESULT STDMETHODCALLTYPE Navigate(LPCWSTR uri) override;
    STANDIN_UNSUPPORTED_VIEW(NavigateToString, LPCWSTR)
    STANDIN_EVENT(NavigationStarting)
    STANDIN_UNSUPPORTED_VIEW_EVENT(ContentLoading, ICoreWebView2ContentLoadingEventHandler)
    STANDIN_UNSUPPORTED_VIEW_EVENT(SourceChanged, ICoreWebView2SourceChangedEventHandler)
    STANDIN_UNSUPPORTED_VIEW_EVENT(HistoryChanged, ICoreWebView2HistoryChangedEventHandler)
    STANDIN_UNSUPPORTED_VIEW_EVENT(NavigationCompleted,
                                   ICoreWebView2NavigationCompletedEventHandler)
    STANDIN_UNSUPPORTED_VIEW_EVENT(FrameNavigationStarting,
                                   ICoreWebView2NavigationStartingEventHandler)
    STANDIN_UNSUPPORTED_VIEW_EVENT(FrameNavigationCompleted,
                                   ICoreWebView2NavigationCompletedEventHandler)
    STANDIN_UNSUPPORTED_VIEW_EVENT(ScriptDialogOpening,
                                   ICoreWebView2ScriptDialogOpeningEventHandler)
    STANDIN_EVENT(PermissionRequested)
    STANDIN_UNSUPPORTED_VIEW_EVENT(ProcessFailed, ICoreWebView2ProcessFailedEventHandler)
    HRESULT STDMETHODCALLTYPE AddScriptToExecuteOnDocumentCreated(
        LPCWSTR javaScript,
        ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) override;
    STANDIN_UNSUPPORTED_VIEW(RemoveScriptToExecuteOnDocumentCreated, LPCWSTR)
    STANDIN_UNSUPPORTED_VIEW(ExecuteScript, LPCWSTR, ICoreWebView2ExecuteScriptCompletedHandler*)
    STANDIN_UNSUPPORTED_VIEW(CapturePreview, COREWEBVIEW2_CAPTURE_PREVIEW_IMAGE_FORMAT, IStream*,
                             ICoreWebView2CapturePreviewCompletedHandler*)
    STANDIN_UNSUPPORTED_VIEW(Reload)
    HRESULT STDMETHODCALLTYPE PostWebMessageAsJson(LPCWSTR webMessageAsJson) override;
    HRESULT STDMETHODCALLTYPE PostWebMessageAsString(LPCWSTR webMessageAsString) override;
    STANDIN_EVENT(WebMessageReceived)
    STANDIN_UNSUPPORTED_VIEW(CallDevToolsProtocolMethod, LPCWSTR, LPCWSTR,
                             ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*)
    STANDIN_UNSUPPORTED_VIEW(get_BrowserProcessId, UINT32*)
    STANDIN_UNSUPPORTED_VIEW(get_CanGoBack, BOOL*)
    STANDIN_UNSUPPORTED_VIEW(get_CanGoForward, BOOL*)
    STANDIN_UNSUPPORTED_VIEW(GoBack)
    STANDIN_UNSUPPORTED_VIEW(GoForward)
    STANDIN_UNSUPPORTED_VIEW(GetDevToolsProtocolEventReceiver, LPCWSTR,
                             ICoreWebView2DevToolsProtocolEventReceiver**)
    STANDIN_UNSUPPORTED_VIEW(Stop)
    STANDIN_EVENT(NewWindowRequested)
    STANDIN_EVENT(DocumentTitleChanged)
    HRESULT STDMETHODCALLTYPE get_DocumentTitle(LPWSTR* title) override;
    STANDIN_UNSUPPORTED_VIEW(AddHostObjectToScript, LPCWSTR, VARIANT*)
    STANDIN_UNSUPPORTED_VIEW(RemoveHostObjectFromScript, LPCWSTR)
    STANDIN_UNSUPPORTED_VIEW(OpenDevToolsWindow)
    STANDIN_EVENT(ContainsFullScreenElementChanged)
    HRESULT STDMETHODCALLTYPE get_ContainsFullScreenElement(BOOL* value) override;
    STANDIN_EVENT(WebResourceRequested)
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilter(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context) override;
    STANDIN_UNSUPPORTED_VIEW(RemoveWebResourceRequestedFilter, const LPCWSTR,
                             const COREWEBVIEW2_WEB_RESOURCE_CONTEXT)
    STANDIN_EVENT(WindowCloseRequested)

    // ICoreWebView2_2
    STANDIN_UNSUPPORTED_EVENT(ICoreWebView2_2, WebResourceResponseReceived,
                              ICoreWebView2WebResourceResponseReceivedEventHandler)
    STANDIN_UNSUPPORTED(ICoreWebView2_2, NavigateWithWebResourceRequest,
                        ICoreWebView2WebResourceRequest*)
    STANDIN_EVENT(DOMContentLoaded)
    STANDIN_UNSUPPORTED(ICoreWebView2_2, get_CookieManager, ICoreWebView2CookieManager**)
    STANDIN_UNSUPPORTED(ICoreWebView2_2, get_Environment, ICoreWebView2Environment**)
#undef STANDIN_UNSUPPORTED_VIEW
#undef STANDIN_UNSUPPORTED_VIEW_EVENT

    // ICoreWebView2_3 to ICoreWebView2_21: not modelled.
#define STANDIN_UNUSED_SLOT(n) STANDIN_UNSUPPORTED(ICoreWebView2, UnusedSlot##n)
#define STANDIN_UNUSED_SLOTS(tens)                                                             \
    STANDIN_UNUSED_SLOT(tens##0)                                                               \
    STANDIN_UNUSED_SLOT(tens##1)                                                               \
    STANDIN_UNUSED_SLOT(tens##2)                                                               \
    STANDIN_UNUSED_SLOT(tens##3) STANDIN_UNUSED_SLOT(tens##4) STANDIN_UNUSED_SLOT(tens##5)     \
        STANDIN_UNUSED_SLOT(tens##6) STANDIN_UNUSED_SLOT(tens##7) STANDIN_UNUSED_SLOT(tens##8) \
            STANDIN_UNUSED_SLOT(tens##9)
    STANDIN_UNUSED_SLOT(68)
    STANDIN_UNUSED_SLOT(69)
    STANDIN_UNUSED_SLOTS(7)
    STANDIN_UNUSED_SLOTS(8)
    STANDIN_UNUSED_SLOTS(9)
    STANDIN_UNUSED_SLOTS(10)
    STANDIN_UNUSED_SLOTS(11)
    STANDIN_UNUSED_SLOT(120)
    STANDIN_UNUSED_SLOT(121)
    STANDIN_UNUSED_SLOT(122)
#undef STANDIN_UNUSED_SLOTS
#undef STANDIN_UNUSED_SLOT

    // ICoreWebView2_22
    HRESULT STDMETHODCALLTYPE AddWebResourceRequestedFilterWithRequestSourceKinds(
        const LPCWSTR uri, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT context,
        const COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS sourceKinds) override;
    STANDIN_UNSUPPORTED(ICoreWebView2_22, RemoveWebResourceRequestedFilterWithRequestSourceKinds,
                        const LPCWSTR, const COREWEBVIEW2_WEB_RESOURCE_CONTEXT,
                        const COREWEBVIEW2_WEB_RESOURCE_REQUEST_SOURCE_KINDS)

  protected:
    bool Answers(REFIID iid) override;

  private:
    Microsoft::WRL::ComPtr<Settings> settings_;
    std::vector<Filter> filters_;
};

#undef STANDIN_UNSUPPORTED_EVENT
#undef STANDIN_EVENT
#undef STANDIN_UNSUPPORTED

}  // namespace tessaly::standin
