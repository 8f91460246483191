#include <windows.h>
// windows.h first.
#include <gtest/gtest.h>

#include "base/paths.h"
#include "base/wide_cast.h"
#include "browser/loader_win32.h"

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

}  // namespace
}  // namespace tessaly
