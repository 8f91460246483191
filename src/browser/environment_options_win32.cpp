#include "browser/environment_options_win32.h"

#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "webview2/com_object_win32.h"
#include "webview2/com_ptr_win32.h"

namespace tessaly {
namespace {

using Microsoft::WRL::ComPtr;

// An unset string stays unset: the runtime then uses its own value.
using OptionalText = std::optional<std::wstring>;

HRESULT CopyOut(const OptionalText& text, LPWSTR* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = nullptr;
    if (!text) {
        return S_OK;
    }
    const std::size_t bytes = (text->size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    if (!copy) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(copy, text->c_str(), bytes);
    *out = copy;
    return S_OK;
}

HRESULT CopyIn(LPCWSTR value, OptionalText& text) {
    try {
        if (value) {
            text.emplace(value);
        } else {
            text.reset();
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;  // no exception may cross the COM boundary
    }
    return S_OK;
}

HRESULT ReadFlag(bool flag, BOOL* out) {
    if (!out) {
        return E_POINTER;
    }
    *out = flag ? TRUE : FALSE;
    return S_OK;
}

class EnvironmentOptions final
    : public ComObject<EnvironmentOptions, ICoreWebView2EnvironmentOptions,
                       ICoreWebView2EnvironmentOptions2, ICoreWebView2EnvironmentOptions3,
                       ICoreWebView2EnvironmentOptions4, ICoreWebView2EnvironmentOptions5> {
  public:
    // ICoreWebView2EnvironmentOptions
    HRESULT STDMETHODCALLTYPE get_AdditionalBrowserArguments(LPWSTR* value) override {
        return CopyOut(additionalBrowserArguments_, value);
    }
    HRESULT STDMETHODCALLTYPE put_AdditionalBrowserArguments(LPCWSTR value) override {
        return CopyIn(value, additionalBrowserArguments_);
    }
    HRESULT STDMETHODCALLTYPE get_Language(LPWSTR* value) override {
        return CopyOut(language_, value);
    }
    HRESULT STDMETHODCALLTYPE put_Language(LPCWSTR value) override {
        return CopyIn(value, language_);
    }
    HRESULT STDMETHODCALLTYPE get_TargetCompatibleBrowserVersion(LPWSTR* value) override {
        return CopyOut(targetCompatibleBrowserVersion_, value);
    }
    HRESULT STDMETHODCALLTYPE put_TargetCompatibleBrowserVersion(LPCWSTR value) override {
        return CopyIn(value, targetCompatibleBrowserVersion_);
    }
    HRESULT STDMETHODCALLTYPE get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override {
        return ReadFlag(allowSingleSignOn_, allow);
    }
    HRESULT STDMETHODCALLTYPE put_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) override {
        allowSingleSignOn_ = allow;
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions2
    HRESULT STDMETHODCALLTYPE get_ExclusiveUserDataFolderAccess(BOOL* value) override {
        return ReadFlag(exclusiveUserDataFolderAccess_, value);
    }
    HRESULT STDMETHODCALLTYPE put_ExclusiveUserDataFolderAccess(BOOL value) override {
        exclusiveUserDataFolderAccess_ = value;
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions3
    HRESULT STDMETHODCALLTYPE get_IsCustomCrashReportingEnabled(BOOL* value) override {
        return ReadFlag(customCrashReporting_, value);
    }
    HRESULT STDMETHODCALLTYPE put_IsCustomCrashReportingEnabled(BOOL value) override {
        customCrashReporting_ = value;
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions4: the caller gets its own reference to each element and
    // frees the array.
    HRESULT STDMETHODCALLTYPE GetCustomSchemeRegistrations(
        UINT32* count, ICoreWebView2CustomSchemeRegistration*** registrations) override {
        if (!count || !registrations) {
            return E_POINTER;
        }
        *count = 0;
        *registrations = nullptr;
        if (schemeRegistrations_.empty()) {
            return S_OK;
        }
        auto** copy = static_cast<ICoreWebView2CustomSchemeRegistration**>(CoTaskMemAlloc(
            schemeRegistrations_.size() * sizeof(ICoreWebView2CustomSchemeRegistration*)));
        if (!copy) {
            return E_OUTOFMEMORY;
        }
        for (std::size_t i = 0; i < schemeRegistrations_.size(); ++i) {
            copy[i] = schemeRegistrations_[i].Get();
            copy[i]->AddRef();
        }
        *count = UINT32(schemeRegistrations_.size());
        *registrations = copy;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetCustomSchemeRegistrations(
        UINT32 count, ICoreWebView2CustomSchemeRegistration** registrations) override {
        if (count && !registrations) {
            return E_POINTER;
        }
        try {
            std::vector<ComPtr<ICoreWebView2CustomSchemeRegistration>> copy(registrations,
                                                                            registrations + count);
            schemeRegistrations_.swap(copy);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
        return S_OK;
    }

    // ICoreWebView2EnvironmentOptions5
    HRESULT STDMETHODCALLTYPE get_EnableTrackingPrevention(BOOL* value) override {
        return ReadFlag(enableTrackingPrevention_, value);
    }
    HRESULT STDMETHODCALLTYPE put_EnableTrackingPrevention(BOOL value) override {
        enableTrackingPrevention_ = value;
        return S_OK;
    }

  private:
    OptionalText additionalBrowserArguments_;
    OptionalText language_;
    OptionalText targetCompatibleBrowserVersion_{kTargetCompatibleBrowserVersion};
    bool allowSingleSignOn_ = false;
    bool exclusiveUserDataFolderAccess_ = false;
    bool customCrashReporting_ = false;
    std::vector<ComPtr<ICoreWebView2CustomSchemeRegistration>> schemeRegistrations_;
    bool enableTrackingPrevention_ = true;
};

}  // namespace

ComPtr<ICoreWebView2EnvironmentOptions> CreateEnvironmentOptions() {
    return AdoptReference<ICoreWebView2EnvironmentOptions>(new (std::nothrow) EnvironmentOptions());
}

}  // namespace tessaly
