#include "saves/save_path.h"

#include <gtest/gtest.h>

namespace tessaly {
namespace {

std::string Repeat(std::string_view part, std::size_t times, std::string_view between = "") {
    std::string text;
    for (std::size_t i = 0; i < times; ++i) {
        text += (i ? std::string(between) : "") + std::string(part);
    }
    return text;
}

TEST(SavePathTest, RefusesEveryPathThatCouldLeaveTheFolderOrNotMoveBetweenSystems) {
    const std::string refused[] = {
        "",
        "/saves/a",
        "\\saves\\a",
        "//server/share/a",
        "\\\\server\\share\\a",
        "C:a",
        "c:/a",
        ".",
        "..",
        "a/../b",
        "a/./b",
        "a//b",
        "a/",
        "a\\b",
        std::string("a\0b", 3),
        "a\x01",
        "a\tb",
        "a\x7f",
        "a:b",
        "a<b",
        "a>b",
        "a\"b",
        "a|b",
        "a?b",
        "a/*",
        "CON",
        "con.txt",
        "Nul.tar.gz",
        "COM1",
        "lpt9.sav",
        "aux .txt",
        "a/PRN",
        "CONIN$",
        "conout$.txt",
        "COM\xC2\xB9",  // COM and a superscript one
        "lpt\xC2\xB3 .log",
        "LPT\xC2\xB2",
        "a.",
        "a ",
        "x/b./c",
        Repeat("x", 256),
        Repeat("a", 33, "/"),
        ".tessaly-partial-1-2",
    };
    for (const std::string& path : refused) {
        const Outcome<SavePath> parsed = ParseSavePath(path, false);
        ASSERT_TRUE(std::holds_alternative<Failure>(parsed)) << path;
        EXPECT_EQ(std::get<Failure>(parsed).kind, FailureKind::InvalidPath) << path;
    }
}

TEST(SavePathTest, SplitsGoodPathsIntoNames) {
    const std::pair<std::string, SavePath> accepted[] = {
        {"save.json", {"save.json"}},
        {"slot 1/grüße.sav", {"slot 1", "grüße.sav"}},
        {".hidden/COM0/CONSOLE/LPT10/com1x", {".hidden", "COM0", "CONSOLE", "LPT10", "com1x"}},
        // A superscript four, and CONIN$ with more after it.
        {"COM\xE2\x81\xB4/CONIN$x", {"COM\xE2\x81\xB4", "CONIN$x"}},
        {Repeat("x", 255), {Repeat("x", 255)}},
        {"..a/b..c", {"..a", "b..c"}},
    };
    for (const auto& [path, names] : accepted) {
        const Outcome<SavePath> parsed = ParseSavePath(path, false);
        ASSERT_TRUE(std::holds_alternative<SavePath>(parsed)) << std::get<Failure>(parsed).message;
        EXPECT_EQ(std::get<SavePath>(parsed), names);
    }
    EXPECT_EQ(std::get<SavePath>(ParseSavePath(Repeat("a", 32, "/"), false)).size(), 32u);
    EXPECT_EQ(std::get<SavePath>(ParseSavePath("", true)), SavePath{});
}

TEST(SavePathTest, TemporaryFilesNameTheirWriterOrNone) {
    const std::pair<std::string, std::optional<std::uint32_t>> names[] = {
        {".tessaly-partial-1234-ab12", 1234},
        {".tessaly-partial-2147483647-0", 2147483647},
        {".tessaly-partial-x", std::nullopt},
        {".tessaly-partial-12", std::nullopt},
        {".tessaly-partial-12-", std::nullopt},
        {".tessaly-partial--3", std::nullopt},
        {".tessaly-partial-0-1", std::nullopt},
        {".tessaly-partial-2147483648-1", std::nullopt},
        {".tessaly-partial-12x-1", std::nullopt},
        {".tessaly-partial-12-3-4", std::nullopt},
        {"save-12-3", std::nullopt},
    };
    for (const auto& [name, owner] : names) {
        EXPECT_EQ(PartialWriteOwner(name), owner) << name;
    }
    const std::string fresh = NewPartialWriteName(4321);
    EXPECT_EQ(PartialWriteOwner(fresh), 4321u);
    EXPECT_NE(NewPartialWriteName(4321), fresh);
}

}  // namespace
}  // namespace tessaly
