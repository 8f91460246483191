#include <windows.h>
// windows.h first: the version and COM headers rely on its definitions.
#include <objbase.h>
#include <winver.h>

#include <cstring>
#include <vector>

#include "base/paths.h"
#include "base/wide_cast.h"
#include "browser/loader_win32.h"
#include "browser/runtime_search.h"

namespace tessaly {
namespace {

using GetVersionFunction = HRESULT(STDAPICALLTYPE*)(PCWSTR, LPWSTR*);
using CreateEnvironmentFunction =
    HRESULT(STDAPICALLTYPE*)(PCWSTR, PCWSTR, ICoreWebView2EnvironmentOptions*,
                             ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*);
// The runtime library's own entry; the first argument's meaning is not published, and every
// known caller passes true.
using CreateInternalFunction = HRESULT(STDMETHODCALLTYPE*)(
    BOOL, std::int32_t runtimeKind, PCWSTR userDataFolder, IUnknown* options,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*);

// Microsoft's loader beside the executable, loaded once; its two exports, or nulls.
struct MicrosoftLoader {
    GetVersionFunction getVersion = nullptr;
    CreateEnvironmentFunction createEnvironment = nullptr;
};

const MicrosoftLoader& LoaderInProgramFolder() {
    static const MicrosoftLoader loader = [] {
        MicrosoftLoader found;
        const std::u16string path = FolderOf(ModulePath()) + u"WebView2Loader.dll";
        const DWORD attributes = GetFileAttributesW(AsWide(path));
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            return found;
        }
        HMODULE module = LoadLibraryW(AsWide(path));
        if (!module) {
            return found;
        }
        found.getVersion = reinterpret_cast<GetVersionFunction>(reinterpret_cast<void*>(
            GetProcAddress(module, "GetAvailableCoreWebView2BrowserVersionString")));
        found.createEnvironment =
            reinterpret_cast<CreateEnvironmentFunction>(reinterpret_cast<void*>(
                GetProcAddress(module, "CreateCoreWebView2EnvironmentWithOptions")));
        if (!found.getVersion || !found.createEnvironment) {
            // Not a loader this program can use: find the runtime itself instead.
            FreeLibrary(module);
            found = {};
        }
        return found;
    }();
    return loader;
}

class Win32RuntimeSearch final : public RuntimeSearchSystem {
  public:
    std::optional<std::u16string> ReadRegistryString(RegistryRoot root, RegistryView view,
                                                     const std::u16string& key,
                                                     std::u16string_view value) override {
        HKEY opened = nullptr;
        const REGSAM access =
            KEY_READ | (view == RegistryView::Bits32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY);
        if (RegOpenKeyExW(
                root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER,
                AsWide(key), 0, access, &opened) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        const std::u16string name(value);
        std::optional<std::u16string> result;
        DWORD type = 0;
        DWORD bytes = 0;
        if (RegQueryValueExW(opened, AsWide(name), nullptr, &type, nullptr, &bytes) ==
                ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            // The stored text need not end in a NUL; one more unit makes room for it.
            std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
            DWORD size = DWORD(text.size() * sizeof(wchar_t));
            if (RegQueryValueExW(opened, AsWide(name), nullptr, &type,
                                 reinterpret_cast<BYTE*>(text.data()), &size) == ERROR_SUCCESS) {
                text.back() = L'\0';
                result = FromWide(text.data());
            }
        }
        RegCloseKey(opened);
        return result;
    }

    bool FileExists(const std::u16string& path) override {
        const DWORD attributes = GetFileAttributesW(AsWide(path));
        return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    std::u16string ProductVersion(const std::u16string& path) override {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(AsWide(path), &ignored);
        if (size == 0) {
            return {};
        }
        std::vector<BYTE> block(size);
        if (!GetFileVersionInfoW(AsWide(path), 0, size, block.data())) {
            return {};
        }
        void* text = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\ProductVersion", &text,
                            &length) ||
            !text || length == 0) {
            return {};
        }
        return FromWide(static_cast<const wchar_t*>(text));
    }

    std::u16string ExecutableFolder() override { return FolderOf(ModulePath()); }
};

std::optional<FoundRuntime> FindRuntimeFor(PCWSTR browserExecutableFolder) {
    Win32RuntimeSearch system;
    return FindRuntime(system, FromWide(browserExecutableFolder), ThisProcessArch());
}

constexpr HRESULT kNoRuntime = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

}  // namespace

HRESULT GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder,
                                                     LPWSTR* versionInfo) {
    if (!versionInfo) {
        return E_POINTER;
    }
    *versionInfo = nullptr;
    if (const MicrosoftLoader& loader = LoaderInProgramFolder(); loader.getVersion) {
        return loader.getVersion(browserExecutableFolder, versionInfo);
    }
    const std::optional<FoundRuntime> runtime = FindRuntimeFor(browserExecutableFolder);
    if (!runtime) {
        return kNoRuntime;
    }
    const std::size_t bytes = (runtime->version.size() + 1) * sizeof(char16_t);
    auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
    if (!copy) {
        return E_OUTOFMEMORY;
    }
    std::memcpy(copy, runtime->version.c_str(), bytes);  // with its terminating NUL
    *versionInfo = copy;
    return S_OK;
}

HRESULT CreateCoreWebView2EnvironmentWithOptions(
    PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler) {
    if (!environmentCreatedHandler) {
        return E_POINTER;
    }
    if (const MicrosoftLoader& loader = LoaderInProgramFolder(); loader.createEnvironment) {
        return loader.createEnvironment(browserExecutableFolder, userDataFolder, environmentOptions,
                                        environmentCreatedHandler);
    }
    const std::optional<FoundRuntime> runtime = FindRuntimeFor(browserExecutableFolder);
    if (!runtime) {
        return kNoRuntime;
    }
    // The runtime library stays loaded for the life of the process: its objects live that long.
    HMODULE module = LoadLibraryW(AsWide(runtime->clientLibrary));
    if (!module) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    const auto create = reinterpret_cast<CreateInternalFunction>(reinterpret_cast<void*>(
        GetProcAddress(module, "CreateWebViewEnvironmentWithOptionsInternal")));
    if (!create) {
        return HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    }
    return create(TRUE, std::int32_t(runtime->kind), userDataFolder, environmentOptions,
                  environmentCreatedHandler);
}

}  // namespace tessaly
