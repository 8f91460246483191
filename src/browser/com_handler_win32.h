// One COM object per browser callback. Every completion and event handler interface of the
// runtime has a single Invoke; ComHandler implements any of them by forwarding Invoke to a plain
// function, so the program needs no hand-written class per handler.
#pragma once

#include <new>

#include "browser/com_object_win32.h"
#include "browser/com_ptr_win32.h"

namespace tessaly {

template <class Interface, auto Callback, class Invoke = decltype(&Interface::Invoke)>
class ComHandler;

template <class Interface, auto Callback, class Owner, class... Args>
class ComHandler<Interface, Callback, HRESULT (STDMETHODCALLTYPE Owner::*)(Args...)> final
    : public ComObject<ComHandler<Interface, Callback>, Interface> {
  public:
    // A new handler holding one reference for its creator, or null when memory ran out. The
    // creator hands it to the registration call and then lets its own reference go.
    static Microsoft::WRL::ComPtr<Interface> Create() {
        return AdoptReference<Interface>(new (std::nothrow) ComHandler());
    }

    HRESULT STDMETHODCALLTYPE Invoke(Args... args) override { return Callback(args...); }

  private:
    ComHandler() = default;
};

}  // namespace tessaly
