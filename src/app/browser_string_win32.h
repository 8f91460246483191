// Windows glue only: a string that the browser runtime handed out.
#pragma once

#include <windows.h>
// windows.h first: the COM headers rely on it.
#include <objbase.h>

#include <string_view>

namespace tessaly {

// Owns a string from a runtime getter; freed with CoTaskMemFree on every path, exceptions
// included.
class BrowserString {
  public:
    BrowserString() = default;
    BrowserString(const BrowserString&) = delete;
    BrowserString& operator=(const BrowserString&) = delete;
    ~BrowserString() { CoTaskMemFree(text_); }

    LPWSTR* out() { return &text_; }
    LPCWSTR get() const { return text_; }
    std::u16string_view view() const {
        return text_ ? std::u16string_view(reinterpret_cast<const char16_t*>(text_))
                     : std::u16string_view();
    }

  private:
    LPWSTR text_ = nullptr;
};

}  // namespace tessaly
