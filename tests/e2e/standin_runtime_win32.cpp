// A stand-in for the WebView2 runtime's client library, for tests: it carries a version resource
// and records each request to create an environment in the user data folder it is given.
#include <windows.h>
// windows.h first.

#include <cstdio>

extern "C" __declspec(dllexport) HRESULT STDMETHODCALLTYPE
    CreateWebViewEnvironmentWithOptionsInternal(BOOL, int runtimeKind, PCWSTR userDataFolder,
                                                IUnknown* options, IUnknown* handler) {
    if (!userDataFolder || !handler) {
        return E_INVALIDARG;
    }
    CreateDirectoryW(userDataFolder, nullptr);
    wchar_t path[MAX_PATH * 2];
    swprintf(path, sizeof(path) / sizeof(path[0]), L"%ls\\standin-environment.txt", userDataFolder);
    FILE* record = _wfopen(path, L"ab");
    if (!record) {
        return E_ACCESSDENIED;
    }
    std::fprintf(record, "kind=%d options=%d\n", runtimeKind, options ? 1 : 0);
    std::fclose(record);
    return S_OK;
}
