#include <windows.h>

#include "base/text.h"
#include "base/wide_cast.h"
#include "extensions/extension_library.h"

// Windows 8's search flags, also on Windows 7 with KB2533623; older headers lack them.
#ifndef LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR
#define LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR 0x00000100
#endif
#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace tessaly {
namespace {

class DynamicLinkLibrary final : public ExtensionLibrary {
  public:
    explicit DynamicLinkLibrary(HMODULE module) : module_(module) {}
    ~DynamicLinkLibrary() override { FreeLibrary(module_); }
    void* Export(const char* name) override {
        return reinterpret_cast<void*>(GetProcAddress(module_, name));
    }

  private:
    HMODULE module_;
};

std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::u16string message = length ? std::u16string(FromWide(text)) : std::u16string();
    LocalFree(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' ||
                                message.back() == u' ' || message.back() == u'.')) {
        message.pop_back();
    }
    return WideToUtf8(message) + " (error " + std::to_string(error) + ")";
}

}  // namespace

OpenedLibrary OpenExtensionLibrary(const std::u16string& path) {
    // The search flags need a fully qualified path with backslashes.
    const std::u16string full = ReplaceAll(path, u"/", u"\\");
    // No "cannot find the DLL" box on an old system: the page gets the reason instead.
    DWORD oldMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &oldMode);
    const HMODULE module = LoadLibraryExW(
        AsWide(full), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    const DWORD error = GetLastError();
    SetThreadErrorMode(oldMode, nullptr);
    if (!module) {
        if (error == ERROR_BAD_EXE_FORMAT) {
            return "not a DLL of this program's architecture: " + SystemMessage(error);
        }
        return SystemMessage(error);
    }
    return std::make_unique<DynamicLinkLibrary>(module);
}

}  // namespace tessaly
