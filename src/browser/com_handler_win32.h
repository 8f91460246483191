// One COM object per browser callback. Every completion and event handler interface of the
// runtime has a single Invoke; ComHandler implements any of them by forwarding Invoke to a plain
// function, so the program needs no hand-written class per handler.
#pragma once

#include <new>

#include "browser/com_ptr_win32.h"

namespace tessaly {

template <class Interface, auto Callback, class Invoke = decltype(&Interface::Invoke)>
class ComHandler;

template <class Interface, auto Callback, class Owner, class... Args>
class ComHandler<Interface, Callback, HRESULT (STDMETHODCALLTYPE Owner::*)(Args...)> final
    : public Interface {
  public:
    // A new handler holding one reference for its creator, or null when memory ran out. The
    // creator hands it to the registration call and then lets its own reference go.
    static Microsoft::WRL::ComPtr<Interface> Create() {
        return AdoptReference<Interface>(new (std::nothrow) ComHandler());
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
            AddRef();
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

    HRESULT STDMETHODCALLTYPE Invoke(Args... args) override { return Callback(args...); }

  private:
    ComHandler() = default;
    ~ComHandler() = default;

    LONG count_ = 1;
};

}  // namespace tessaly
