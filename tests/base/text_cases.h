// UTF-8 to UTF-16 cases shared by the portable conversion test and the test that checks the
// same table against Windows' own MultiByteToWideChar and WideCharToMultiByte.
#pragma once

#include <string>
#include <vector>

namespace tessaly::test {

struct Utf8Case {
    const char* label;
    std::string utf8;
    std::u16string wide;
};

inline std::vector<Utf8Case> Utf8Cases() {
    using namespace std::string_literals;
    return {
        {"empty", "", u""},
        {"ascii", "Demo 1.0", u"Demo 1.0"},
        {"two byte", "\xC3\xA9t\xC3\xA9", u"\u00E9t\u00E9"},
        {"euro sign", "\xE2\x82\xAC", u"\u20AC"},
        {"edges of the lengths", "\x7F\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80",
         u"\u007F\u0080\u07FF\u0800\uFFFF\U00010000"},
        {"astral pair", "\xF0\x9F\x8E\xAE", u"\U0001F3AE"},
        {"embedded NUL", "a\0b"s, u"a\0b"s},
        {"highest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {"lone continuation", "a\x80z", u"a\uFFFDz"},
        {"truncated three byte", "\xE2\x82z", u"\uFFFDz"},
        {"truncated at end", "a\xE2\x82", u"a\uFFFD"},
        {"invalid lead bytes", "\xC0\xC1\xF5\xFF", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD\uFFFD"},
        {"overlong three byte", "\xE0\x80\xAF", u"\uFFFD\uFFFD"},
        {"overlong four byte", "\xF0\x8F\xBF\xBFz", u"\uFFFD\uFFFD\uFFFDz"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD\uFFFD"},
        {"above U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD"},
        {"bad byte after a good prefix", "\xF0\x9F\x8Ez", u"\uFFFDz"},
        {"lead byte after a lead byte", "\xE2\xE2\x82\xAC", u"\uFFFD\u20AC"},
    };
}

// Wide strings that are not well-formed UTF-16, with the UTF-8 they become.
struct WideCase {
    const char* label;
    std::u16string wide;
    std::string utf8;
};

inline std::vector<WideCase> IllFormedWideCases() {
    return {
        {"lone high surrogate", std::u16string{u'a', char16_t(0xD83C), u'b'},
         "a\xEF\xBF\xBD"
         "b"},
        {"lone low surrogate", std::u16string{char16_t(0xDF2E)}, "\xEF\xBF\xBD"},
        {"reversed pair", std::u16string{char16_t(0xDF2E), char16_t(0xD83C)},
         "\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
}

}  // namespace tessaly::test
