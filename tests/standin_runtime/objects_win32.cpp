#include "objects_win32.h"
// The header above brings windows.h first.

#include <cwchar>

#include <nlohmann/json.hpp>

#include "sha256_win32.h"

namespace tessaly::standin {
namespace {

using Microsoft::WRL::ComPtr;

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

// The completion handler of AddScriptToExecuteOnDocumentCreated as the runtime declares it;
// the program's declarations only name it, since it never gives one.
struct AddScriptCompletedHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, LPCWSTR id) = 0;
};

// Posting to the page: only on the thread that created the view, as every call into the runtime;
// a JSON message must be JSON, since the page gets it parsed.
HRESULT PostToPage(const char* kind, LPCWSTR text, bool isJson) {
    if (GetCurrentThreadId() != State().thread) {
        Log(std::string("post-web-message wrong-thread"));
        return RPC_E_WRONG_THREAD;
    }
    const std::string utf8 = Utf8(text);
    const bool valid = text && (!isJson || nlohmann::json::accept(utf8));
    Log("post-web-message " + LogText(kind, utf8) + (valid ? "" : " invalid"));
    if (!valid) {
        return E_INVALIDARG;
    }
    NotePost();
    return S_OK;
}

}  // namespace

std::string LogText(const std::string& name, const std::string& text) {
    constexpr std::size_t kLongText = 1000;
    if (text.size() <= kLongText) {
        return name + "=" + Quote(text);
    }
    Sha256 hash;
    hash.Update(text.data(), text.size());
    return name + "-length=" + std::to_string(text.size()) + " sha256=" + hash.HexDigest();
}

HRESULT GiveString(const std::wstring& text, LPWSTR* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = TaskString(text.c_str());
    return *out ? S_OK : E_OUTOFMEMORY;
}

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
    while (it != headers_.end() && !(name && _wcsicmp(it->first.c_str(), name) == 0)) {
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

HRESULT RequestHeaders::Contains(LPCWSTR name, BOOL* value) {
    return GiveValue<BOOL>(Find(name) != headers_.end(), value);
}

// Request

HRESULT Request::get_Headers(ICoreWebView2HttpRequestHeaders** headers) {
    return GiveObject(headers_, headers);
}

// WebResourceRequested arguments

HRESULT WebResourceRequestedArgs::get_Request(ICoreWebView2WebResourceRequest** request) {
    return GiveObject(request_, request);
}

HRESULT WebResourceRequestedArgs::put_Response(ICoreWebView2WebResourceResponse* response) {
    responsePut_ = true;
    // Only the environment makes responses, so every one handed over is a Response.
    response_ = static_cast<Response*>(response);
    return S_OK;
}

// NavigationStarting arguments

HRESULT NavigationStartingArgs::put_Cancel(BOOL cancel) {
    cancel_ = cancel;
    return S_OK;
}

// NewWindowRequested arguments

HRESULT NewWindowRequestedArgs::put_Handled(BOOL handled) {
    handled_ = handled;
    return S_OK;
}

// PermissionRequested arguments

HRESULT PermissionRequestedArgs::get_PermissionKind(COREWEBVIEW2_PERMISSION_KIND* kind) {
    return GiveValue(COREWEBVIEW2_PERMISSION_KIND(kind_), kind);
}

HRESULT PermissionRequestedArgs::put_State(COREWEBVIEW2_PERMISSION_STATE state) {
    state_ = state;
    return S_OK;
}

// WebMessageReceived arguments

HRESULT WebMessageReceivedArgs::get_Source(LPWSTR* value) {
    return GiveString(source_, value);
}

HRESULT WebMessageReceivedArgs::get_WebMessageAsJson(LPWSTR* value) {
    // Nobody asks for a string message as JSON; it would need the string quoted and escaped.
    if (isString_) {
        return Unsupported("ICoreWebView2WebMessageReceivedEventArgs::get_WebMessageAsJson");
    }
    return GiveString(message_, value);
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

// Controller

HRESULT Controller::put_IsVisible(BOOL isVisible) {
    Log("controller put_IsVisible " + std::to_string(isVisible));
    return S_OK;
}

HRESULT Controller::put_Bounds(RECT bounds) {
    Log("controller put_Bounds " + Rect(bounds));
    return S_OK;
}

HRESULT Controller::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason) {
    Log("controller MoveFocus " + std::to_string(int(reason)));
    return S_OK;
}

HRESULT Controller::NotifyParentWindowPositionChanged() {
    Log("controller NotifyParentWindowPositionChanged");
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

// Kept for the steps, which take the call key from it; the completion comes later, as the
// runtime's does.
HRESULT View::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler) {
    Log("add-script-on-document-created length=" + std::to_string(Utf8(javaScript).size()) +
        " handler=" + (handler ? "given" : "null"));
    if (!javaScript) {
        return E_INVALIDARG;
    }
    State().documentScripts.emplace_back(javaScript);
    if (handler) {
        const std::wstring id = std::to_wstring(State().documentScripts.size());
        ComPtr<IUnknown> kept(reinterpret_cast<IUnknown*>(handler));
        Post([kept, id] {
            Log("add-script-completed id=" + Utf8(id));
            static_cast<AddScriptCompletedHandler*>(kept.Get())->Invoke(S_OK, id.c_str());
        });
    }
    return S_OK;
}

HRESULT View::PostWebMessageAsJson(LPCWSTR webMessageAsJson) {
    return PostToPage("json", webMessageAsJson, true);
}

HRESULT View::PostWebMessageAsString(LPCWSTR webMessageAsString) {
    return PostToPage("string", webMessageAsString, false);
}

HRESULT View::get_DocumentTitle(LPWSTR* title) {
    return GiveString(State().title, title);
}

HRESULT View::get_ContainsFullScreenElement(BOOL* value) {
    return GiveValue(State().fullscreenElement, value);
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

}  // namespace tessaly::standin
