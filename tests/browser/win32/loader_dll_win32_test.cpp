// Runs beside a stand-in WebView2Loader.dll: the program must use the loader it ships with.
#include <windows.h>
// windows.h first.
#include <gtest/gtest.h>

#include "browser/loader_win32.h"

namespace tessaly {
namespace {

TEST(LoaderBesideTheProgram, AnswersEveryCall) {
    LPWSTR version = nullptr;
    EXPECT_EQ(GetAvailableCoreWebView2BrowserVersionString(nullptr, &version), S_OK);
    ASSERT_NE(version, nullptr);
    EXPECT_STREQ(version, L"fake-loader (installed)");
    CoTaskMemFree(version);
    // Even a folder without a runtime is the loader's to judge.
    EXPECT_EQ(GetAvailableCoreWebView2BrowserVersionString(L"webview2", &version), S_OK);
    ASSERT_NE(version, nullptr);
    EXPECT_STREQ(version, L"fake-loader webview2");
    CoTaskMemFree(version);
}

class Handler final : public ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT, ICoreWebView2Environment*) override { return S_OK; }
};

TEST(LoaderBesideTheProgram, CreatesTheEnvironment) {
    Handler handler;
    EXPECT_EQ(CreateCoreWebView2EnvironmentWithOptions(L"rt", L"C:\\data", nullptr, &handler),
              S_FALSE);
}

}  // namespace
}  // namespace tessaly
