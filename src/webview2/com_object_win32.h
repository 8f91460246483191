// The IUnknown part every COM object of the program shares.
#pragma once

#include <windows.h>
// windows.h first: the COM headers rely on it.
#include <unknwn.h>

#include <tuple>

namespace tessaly {

// Implements IUnknown for `Derived`, which implements `Interfaces`: QueryInterface answers for
// IUnknown and each of them (anything else: E_NOINTERFACE), the count is interlocked and starts
// at 1 for the creator, and the object deletes itself when the count falls to 0.
template <class Derived, class... Interfaces>
class ComObject : public Interfaces... {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (!object) {
            return E_POINTER;
        }
        *object = nullptr;
        if (iid == __uuidof(IUnknown)) {
            *object = static_cast<First*>(this);
        } else {
            (void)((iid == __uuidof(Interfaces) && (*object = static_cast<Interfaces*>(this))) ||
                   ...);
        }
        if (!*object) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&count_); }

    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&count_);
        if (left == 0) {
            delete static_cast<Derived*>(this);
        }
        return left;
    }

  protected:
    ComObject() = default;
    ~ComObject() = default;

  private:
    using First = std::tuple_element_t<0, std::tuple<Interfaces...>>;
    LONG count_ = 1;
};

}  // namespace tessaly
