// A stand-in for Microsoft's WebView2Loader.dll, for tests: its answers show that they came
// from it and what it was given.
#include <windows.h>
// windows.h first.
#include <objbase.h>

#include <cstring>
#include <cwchar>

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE
    GetAvailableCoreWebView2BrowserVersionString(PCWSTR browserExecutableFolder,
                                                 LPWSTR* versionInfo) {
    wchar_t text[256];
    swprintf(text, 256, L"fake-loader %ls",
             browserExecutableFolder ? browserExecutableFolder : L"(installed)");
    const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    *versionInfo = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    std::memcpy(*versionInfo, text, bytes);
    return S_OK;
}

// Succeeds exactly when it was handed the folders the test passes.
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE
    CreateCoreWebView2EnvironmentWithOptions(PCWSTR browserExecutableFolder, PCWSTR userDataFolder,
                                             IUnknown* options, IUnknown* handler) {
    const bool expected = browserExecutableFolder && wcscmp(browserExecutableFolder, L"rt") == 0 &&
                          userDataFolder && wcscmp(userDataFolder, L"C:\\data") == 0 && !options &&
                          handler;
    return expected ? S_FALSE : E_INVALIDARG;
}
