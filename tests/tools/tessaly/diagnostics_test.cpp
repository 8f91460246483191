#include "tessaly/diagnostics.h"

#include <gtest/gtest.h>

namespace tessaly::tool {
namespace {

TEST(PositionOfByte, CountsLinesAndCharacters) {
    const struct {
        std::string text;
        std::size_t index;
        int line;
        int column;
    } cases[] = {
        {"abc", 0, 1, 1},
        {"abc", 2, 1, 3},
        {"ab\ncd", 3, 2, 1},
        {"ab\ncd", 4, 2, 2},
        {"ab\n\n\nx", 5, 4, 1},
        {"ab\r\ncd", 4, 2, 1},           // CR LF ends a line once
        {"\xC3\xA9\xC3\xA9x", 4, 1, 3},  // two-byte characters take one column each
        {"\xF0\x9F\x8E\xB5x", 4, 1, 2},  // so does a four-byte one
        {"\xEF\xBB\xBF{x", 4, 1, 2},     // the byte-order mark takes none
        {"\xEF\xBB\xBFx\ny", 5, 2, 1},
        {"abc", 3, 1, 4},   // the end of the text
        {"abc", 99, 1, 4},  // and past it
        {"", 0, 1, 1},
    };
    for (const auto& c : cases) {
        const TextPosition at = PositionOfByte(c.text, c.index);
        EXPECT_EQ(at.line, c.line) << c.text << " @" << c.index;
        EXPECT_EQ(at.column, c.column) << c.text << " @" << c.index;
    }
}

TEST(FormatDiagnostic, PrintsThePartsThatAreKnown) {
    EXPECT_EQ(FormatDiagnostic("apps/demo", {Severity::Error, "package.json", 3, 7, "bad"}),
              "apps/demo/package.json:3:7: error: bad");
    EXPECT_EQ(FormatDiagnostic("apps/demo/", {Severity::Warning, "www/a b.png", 0, 0, "odd"}),
              "apps/demo/www/a b.png: warning: odd");
    EXPECT_EQ(FormatDiagnostic("demo", {Severity::Error, "", 0, 0, "no such folder"}),
              "demo: error: no such folder");
}

}  // namespace
}  // namespace tessaly::tool
