#include "base/text.h"

#include <gtest/gtest.h>

#include "base/text_cases.h"

namespace tessaly {
namespace {

TEST(Utf8ToWide, ConvertsTable) {
    for (const auto& c : test::Utf8Cases()) {
        EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << c.label;
    }
}

TEST(WideToUtf8, RoundTripsWellFormedRows) {
    for (const auto& c : test::Utf8Cases()) {
        if (c.wide.find(u'\uFFFD') == std::u16string::npos) {
            EXPECT_EQ(WideToUtf8(c.wide), c.utf8) << c.label;
        }
    }
}

TEST(WideToUtf8, ReplacesUnpairedSurrogates) {
    for (const auto& c : test::IllFormedWideCases()) {
        EXPECT_EQ(WideToUtf8(c.wide), c.utf8) << c.label;
    }
}

TEST(TrimWhitespace, TrimsOnlyCLocaleSpace) {
    struct Case {
        std::u16string in;
        std::u16string out;
    };
    const Case cases[] = {
        {u" \t\r\nbytes=0-99 \v\f", u"bytes=0-99"},
        {u" \t \r\n", u""},
        {u"", u""},
        {u"a b", u"a b"},
        {u"\u00A0x", u"\u00A0x"},
        {u"x\u0085", u"x\u0085"},
        {u"\u3000x\u3000", u"\u3000x\u3000"},
    };
    for (const auto& c : cases) {
        std::u16string text = c.in;
        TrimWhitespace(text);
        EXPECT_EQ(text, c.out);
    }
}

TEST(ReplaceAll, ReplacesLeftToRightWithoutOverlap) {
    struct Case {
        std::u16string text, pattern, replacement, out;
    };
    const Case cases[] = {
        {u"a/b/c", u"/", u"\\", u"a\\b\\c"}, {u"aaa", u"aa", u"b", u"ba"},
        {u"ab", u"abc", u"x", u"ab"},        {u"", u"/", u"\\", u""},
        {u"//", u"/", u"//", u"////"},  // replacements are never searched again
        {u"xyz", u"y", u"", u"xz"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceAll(c.text, c.pattern, c.replacement), c.out);
    }
}

}  // namespace
}  // namespace tessaly
