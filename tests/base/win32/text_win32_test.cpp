// Windows' own UTF-8 conversion on the same table as the portable test: the program's
// conversion must agree with the platform's, ill-formed input included.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/text.h"
#include "base/text_cases.h"

namespace tessaly {
namespace {

std::u16string WindowsUtf8ToWide(const std::string& bytes) {
    const int needed = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    if (needed <= 0) {
        return {};
    }
    std::u16string out(std::size_t(needed), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), int(bytes.size()),
                        reinterpret_cast<wchar_t*>(out.data()), needed);
    return out;
}

std::string WindowsWideToUtf8(const std::u16string& text) {
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int needed =
        WideCharToMultiByte(CP_UTF8, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    if (needed <= 0) {
        return {};
    }
    std::string out(std::size_t(needed), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, int(text.size()), out.data(), needed, nullptr, nullptr);
    return out;
}

TEST(TextOnWindows, Utf8ToWideAgreesWithMultiByteToWideChar) {
    for (const auto& c : test::Utf8Cases()) {
        EXPECT_EQ(Utf8ToWide(c.utf8), WindowsUtf8ToWide(c.utf8)) << c.label;
    }
}

TEST(TextOnWindows, WideToUtf8AgreesWithWideCharToMultiByte) {
    for (const auto& c : test::Utf8Cases()) {
        EXPECT_EQ(WideToUtf8(c.wide), WindowsWideToUtf8(c.wide)) << c.label;
    }
    for (const auto& c : test::IllFormedWideCases()) {
        EXPECT_EQ(WideToUtf8(c.wide), WindowsWideToUtf8(c.wide)) << c.label;
    }
}

}  // namespace
}  // namespace tessaly
