#include <windows.h>
// windows.h first.

#include <atomic>
#include <string>

#include "app/startup.h"
#include "app/wide_cast.h"
#include "browser/environment.h"
#include "browser/loader_win32.h"
#include "browser/webview2.h"

namespace tessaly {
namespace {

// For now creation keeps the environment it is given and nothing more: the controller, the
// browser settings and the event handlers are built on top of it.
ICoreWebView2Environment* BrowserEnvironment = nullptr;

class OnEnvironmentCreated final
    : public ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        if (iid == __uuidof(IUnknown) ||
            iid == __uuidof(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler)) {
            *object =
                static_cast<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT errorCode, ICoreWebView2Environment* result) override {
        if (SUCCEEDED(errorCode) && result) {
            result->AddRef();
            if (BrowserEnvironment) {
                BrowserEnvironment->Release();
            }
            BrowserEnvironment = result;
        }
        return S_OK;
    }

  private:
    std::atomic<ULONG> references_{1};
};

}  // namespace

void CreateBrowserEnvironment(std::u16string_view browserFolder, const ProgramState& state) {
    const std::u16string folder(browserFolder);
    auto* handler = new OnEnvironmentCreated();
    CreateCoreWebView2EnvironmentWithOptions(folder.empty() ? nullptr : AsWide(folder),
                                             AsWide(state.userDataFolder), nullptr, handler);
    // The loader holds its own reference for as long as it needs the handler.
    handler->Release();
}

void ReleaseEnvironmentOptions() {
    // No options object is created yet.
}

}  // namespace tessaly
