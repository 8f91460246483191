#include <windows.h>
// windows.h first.
#include <gtest/gtest.h>

#include "base/file_bytes.h"
#include "base/paths.h"
#include "base/wide_cast.h"
#include "browser/loader_win32.h"
#include "temp_folder.h"

namespace tessaly {
namespace {

// The build puts the stand-in runtime (tests/standin_runtime), version 120.0.0.1, into this
// folder beside the test.
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
            EXPECT_STREQ(version, L"120.0.0.1");  // NUL-terminated
            CoTaskMemFree(version);
        } else {
            EXPECT_EQ(result, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
            EXPECT_EQ(version, nullptr);
        }
    }
    EXPECT_EQ(GetAvailableCoreWebView2BrowserVersionString(nullptr, nullptr), E_POINTER);
}

// Counts its references and the calls it gets.
class CompletedHandler final : public ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT error,
                                     ICoreWebView2Environment* environment) override {
        ++calls;
        result = error;
        gotEnvironment = environment != nullptr;
        return S_OK;
    }
    ULONG references = 1;
    int calls = 0;
    HRESULT result = E_FAIL;
    bool gotEnvironment = false;
};

// Dispatches this thread's messages until `done` or about five seconds have passed.
template <class Done>
void PumpMessagesUntil(Done done) {
    for (int round = 0; round < 500 && !done(); ++round) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

TEST(CreateCoreWebView2EnvironmentWithOptions, StartsTheShippedRuntime) {
    test::TempFolder userData;
    const std::u16string log = userData.Wide("standin.log");
    SetEnvironmentVariableW(L"TESSALY_STANDIN_LOG", AsWide(log));
    CompletedHandler handler;
    EXPECT_EQ(CreateCoreWebView2EnvironmentWithOptions(
                  L"no-such-runtime", AsWide(userData.Wide("")), nullptr, &handler),
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(handler.references, 1u);

    EXPECT_EQ(CreateCoreWebView2EnvironmentWithOptions(kShippedRuntime, AsWide(userData.Wide("")),
                                                       nullptr, &handler),
              S_OK);
    // The runtime answers later, on this thread, while it dispatches messages.
    EXPECT_EQ(handler.calls, 0);
    PumpMessagesUntil([&] { return handler.calls > 0; });
    EXPECT_EQ(handler.calls, 1);
    EXPECT_EQ(handler.result, S_OK);
    EXPECT_TRUE(handler.gotEnvironment);
    EXPECT_EQ(handler.references, 1u);  // the runtime let its reference go

    // A fixed runtime is started as such, with the user data folder as given.
    const std::string record = ReadFileBytes(log);
    EXPECT_NE(record.find("create-environment unknown=1 runtime-type=1 "), std::string::npos)
        << record;
    EXPECT_NE(record.find("handler=given"), std::string::npos) << record;
    SetEnvironmentVariableW(L"TESSALY_STANDIN_LOG", nullptr);
}

}  // namespace
}  // namespace tessaly
