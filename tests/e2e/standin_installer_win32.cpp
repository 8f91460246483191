// A stand-in for the WebView2 runtime installer, for tests: it unpacks the stand-in runtime
// library under the user's local application data folder and registers it for the user the
// way the real installer registers a per-user runtime.
#include <windows.h>
// windows.h first: the shell headers rely on it.
#include <shlobj.h>

#include <string>

namespace {

constexpr wchar_t kClientStateKey[] =
    L"Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";

#if defined(__x86_64__)
constexpr wchar_t kArch[] = L"x64";
#else
constexpr wchar_t kArch[] = L"x86";
#endif

bool WriteLibrary(const std::wstring& folder) {
    HRSRC resource = FindResourceW(nullptr, L"STANDIN_RUNTIME", MAKEINTRESOURCEW(10));  // RCDATA
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        return false;
    }
    const std::wstring libraryFolder = folder + L"\\EBWebView\\" + kArch;
    SHCreateDirectoryExW(nullptr, libraryFolder.c_str(), nullptr);
    HANDLE file =
        CreateFileW((libraryFolder + L"\\EmbeddedBrowserWebView.dll").c_str(), GENERIC_WRITE, 0,
                    nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const DWORD size = SizeofResource(nullptr, resource);
    const bool ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
    CloseHandle(file);
    return ok;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t localAppData[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, localAppData))) {
        return 2;
    }
    const std::wstring folder = std::wstring(localAppData) + L"\\TessalyStandInRuntime\\1.2.3.4";
    if (!WriteLibrary(folder)) {
        return 3;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kClientStateKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return 4;
    }
    const LONG status =
        RegSetValueExW(key, L"EBWebView", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       DWORD((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : 5;
}
