// Counted COM references.
#pragma once

#include <windows.h>
// windows.h first: the COM headers rely on it.
#include <wrl/client.h>

namespace tessaly {

// Holds a reference the caller already owns, such as the one a fresh object starts with.
// mingw-w64's ComPtr::Attach adds a reference of its own (unlike Microsoft's), so it would leak.
template <class T>
Microsoft::WRL::ComPtr<T> AdoptReference(T* owned) {
    Microsoft::WRL::ComPtr<T> reference;
    *reference.GetAddressOf() = owned;
    return reference;
}

}  // namespace tessaly
