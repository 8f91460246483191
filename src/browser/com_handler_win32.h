// One COM object per browser callback. Every completion and event handler interface of the
// runtime has a single Invoke; ComHandler implements any of them by forwarding Invoke to a plain
// function, so the program needs no hand-written class per handler. It is also where the
// program meets the runtime, so no exception passes it: one unwinding into the runtime would
// end the process.
#pragma once

#include <new>

#include "browser/com_object_win32.h"
#include "browser/com_ptr_win32.h"

namespace tessaly {

// `OnException`, when given, answers an event whose callback threw (it must not throw itself);
// without it the runtime is told E_UNEXPECTED.
template <class Interface, auto Callback, auto OnException = nullptr,
          class Invoke = decltype(&Interface::Invoke)>
class ComHandler;

template <class Interface, auto Callback, auto OnException, class Owner, class... Args>
class ComHandler<Interface, Callback, OnException, HRESULT (STDMETHODCALLTYPE Owner::*)(Args...)>
    final : public ComObject<ComHandler<Interface, Callback, OnException>, Interface> {
  public:
    // A new handler holding one reference for its creator, or null when memory ran out. The
    // creator hands it to the registration call and then lets its own reference go.
    static Microsoft::WRL::ComPtr<Interface> Create() {
        return AdoptReference<Interface>(new (std::nothrow) ComHandler());
    }

    HRESULT STDMETHODCALLTYPE Invoke(Args... args) override {
        try {
            return Callback(args...);
        } catch (...) {
            if constexpr (OnException != nullptr) {
                return OnException(args...);
            } else {
                return E_UNEXPECTED;
            }
        }
    }

  private:
    ComHandler() = default;
};

}  // namespace tessaly
