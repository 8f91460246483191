#include <windows.h>
// windows.h first.
#include <gtest/gtest.h>

#include "app/file_bytes.h"
#include "app/paths.h"
#include "app/wide_cast.h"
#include "browser/loader_win32.h"
#include "temp_folder.h"

namespace tessaly {
namespace {

// The build puts the stand-in runtime, version 1.2.3.4, into this folder beside the test.
constexpr wchar_t kShippedRuntime[] = L"loader-test-runtime";

struct VersionCase {
    const char* label;
    std::u16string folder;
    bool found;
};

TEST(GetAvailableCoreWebView2BrowserVersionString, ReadsTheShippedRuntimesVersion) {
    const std::u16string besideTest = FolderOf(ModulePath()) + FromWide(kShippedRuntime);
    const VersionCase cases[] = {
        {"relative to the executable", FromWide(kShippedRuntime), true},
        {"absolute", besideTest, true},
        {"absolute with a trailing backslash", besideTest + u"\\", true},
        {"a folder without a runtime", FolderOf(ModulePath()), false},
        {"a missing folder", u"no-such-runtime", false},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(c.label);
        LPWSTR version = reinterpret_cast<LPWSTR>(1);  // must be overwritten
        const HRESULT result =
            GetAvailableCoreWebView2BrowserVersionString(AsWide(c.folder), &version);
        if (c.found) {
            EXPECT_EQ(result, S_OK);
            ASSERT_NE(version, nullptr);
            EXPECT_STREQ(version, L"1.2.3.4");  // NUL-terminated
            CoTaskMemFree(version);
        } else {
            EXPECT_EQ(result, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
            EXPECT_EQ(version, nullptr);
        }
    }
    EXPECT_EQ(GetAvailableCoreWebView2BrowserVersionString(nullptr, nullptr), E_POINTER);
}

// Counts its references; the stand-in runtime never calls it.
class CompletedHandler final : public ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT, ICoreWebView2Environment*) override { return S_OK; }
    ULONG references = 1;
};

TEST(CreateCoreWebView2EnvironmentWithOptions, StartsTheShippedRuntime) {
    test::TempFolder userData;
    CompletedHandler handler;
    EXPECT_EQ(CreateCoreWebView2EnvironmentWithOptions(
                  L"no-such-runtime", AsWide(userData.Wide("")), nullptr, &handler),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ReadFileBytes(userData.Wide("standin-environment.txt")), "");

    // The stand-in runtime records each request in the user data folder it is given.
    EXPECT_EQ(CreateCoreWebView2EnvironmentWithOptions(kShippedRuntime, AsWide(userData.Wide("")),
                                                       nullptr, &handler),
              S_OK);
    EXPECT_EQ(ReadFileBytes(userData.Wide("standin-environment.txt")), "kind=1 options=0\n");
    EXPECT_EQ(handler.references, 1u);
}

}  // namespace
}  // namespace tessaly
