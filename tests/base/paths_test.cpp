#include "base/paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace tessaly {
namespace {

TEST(FolderOf, KeepsEverythingUpToTheLastBackslash) {
    EXPECT_EQ(FolderOf(u"C:\\Games\\Demo\\app.exe"), u"C:\\Games\\Demo\\");
    EXPECT_EQ(FolderOf(u"C:\\Games\\Demo\\"), u"C:\\Games\\Demo\\");
    EXPECT_EQ(FolderOf(u"app.exe"), u"app.exe");
    EXPECT_EQ(FolderOf(u"C:/Games/app.exe"), u"C:/Games/app.exe");  // only backslashes count
    EXPECT_EQ(FolderOf(u""), u"");
}

TEST(UserDataFolderFor, JoinsTheNameAsItIs) {
    EXPECT_EQ(UserDataFolderFor(u"C:\\Users\\p\\AppData\\Local", u"My Game"),
              u"C:\\Users\\p\\AppData\\Local\\My Game");
    EXPECT_EQ(UserDataFolderFor(u"L", u"Studio\\Game"), u"L\\Studio\\Game");
}

// Behaves like GetModuleFileNameW: writes as much of the text as fits, terminated, and returns
// the buffer's size when the text was cut.
struct TruncatingQuery {
    std::u16string text;
    std::vector<std::uint32_t>* sizesAsked;

    std::uint32_t operator()(char16_t* buffer, std::uint32_t size) const {
        sizesAsked->push_back(size);
        const std::size_t written = std::min<std::size_t>(text.size(), size - 1);
        std::copy_n(text.begin(), written, buffer);
        buffer[written] = u'\0';
        return text.size() < size ? std::uint32_t(text.size()) : size;
    }
};

TEST(ReadWithGrowingBuffer, NeverCutsALongText) {
    struct Case {
        std::size_t length;
        std::vector<std::uint32_t> sizes;
    };
    const Case cases[] = {
        {10, {260}},
        {259, {260}},
        {260, {260, 520}},
        {700, {260, 520, 1040}},
    };
    for (const auto& c : cases) {
        std::u16string text(c.length, u'x');
        text.back() = u'e';
        std::vector<std::uint32_t> asked;
        EXPECT_EQ(ReadWithGrowingBuffer(TruncatingQuery{text, &asked}, 260), text) << c.length;
        EXPECT_EQ(asked, c.sizes) << c.length;
    }
}

TEST(ReadWithGrowingBuffer, FailureIsEmpty) {
    EXPECT_EQ(ReadWithGrowingBuffer([](char16_t*, std::uint32_t) { return 0u; }, 260), u"");
}

}  // namespace
}  // namespace tessaly
