// The stand-in runtime's text formats: what a scenario line means and how log values read.
#include "scenario.h"

#include <gtest/gtest.h>

namespace tessaly::standin {
namespace {

TEST(ParseScenario, SplitsWordsAndSkipsBlankAndCommentLines) {
    const auto steps = ParseScenario(
        "# a comment\n"
        "\n"
        "  start-page  \r\n"
        "request\thttps://a.test/x.webm range=bytes=0-\n"
        "   # indented comment\n"
        "close-request");
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].command, "start-page");
    EXPECT_TRUE(steps[0].args.empty());
    EXPECT_EQ(steps[0].line, 3);
    EXPECT_EQ(steps[0].text, "start-page");
    EXPECT_EQ(steps[1].command, "request");
    EXPECT_EQ(steps[1].args, (std::vector<std::string>{"https://a.test/x.webm", "range=bytes=0-"}));
    EXPECT_EQ(steps[1].line, 4);
    EXPECT_EQ(steps[2].command, "close-request");
    EXPECT_EQ(steps[2].line, 6);
}

TEST(ParseScenario, ReadsQuotedWordsWithEscapes) {
    const auto steps =
        ParseScenario(R"(title "A \"quoted\" title" "" "tab\there" "back\\slash" "\x41\n")");
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].args, (std::vector<std::string>{"A \"quoted\" title", "", "tab\there",
                                                       "back\\slash", "A\n"}));
    // Quotes inside an unquoted word are plain characters: JSON can be written as it is.
    const auto json = ParseScenario(R"(message-json https://a.test/ {"type":"x"})");
    EXPECT_EQ(json[0].args[1], R"({"type":"x"})");
}

TEST(ParseScenario, KeepsUtf8AsItIs) {
    const auto steps = ParseScenario("title \"Caf\xC3\xA9\"");
    EXPECT_EQ(steps[0].args[0], "Caf\xC3\xA9");
}

TEST(ParseScenario, NamesTheLineOfAMalformedWord) {
    const auto messageOf = [](const char* text) {
        try {
            ParseScenario(text);
        } catch (const ScenarioError& error) {
            return std::string(error.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(messageOf("start-page\ntitle \"open"), "line 2: unclosed quote");
    EXPECT_EQ(messageOf("title \"a\\q\""), "line 1: unknown escape \\q");
    EXPECT_EQ(messageOf("title \"\\x4\""), "line 1: \\x needs two hexadecimal digits");
    EXPECT_EQ(messageOf("title \"a\"b"), "line 1: a quoted word must end at white space");
}

TEST(Quote, EscapesWhatTheParserReadsBack) {
    EXPECT_EQ(Quote(""), "\"\"");
    EXPECT_EQ(Quote("Cache-Control: no-store\nAccept-Ranges: bytes"),
              "\"Cache-Control: no-store\\nAccept-Ranges: bytes\"");
    EXPECT_EQ(Quote("a\"b\\c\r\t"), "\"a\\\"b\\\\c\\r\\t\"");
    EXPECT_EQ(Quote(std::string("\x01\x7f", 2)), "\"\\x01\\x7f\"");
    EXPECT_EQ(Quote("Caf\xC3\xA9"), "\"Caf\xC3\xA9\"");

    const std::string awkward = std::string("x\"\\\n\r\t\x02 y\0z", 11);
    const auto steps = ParseScenario("title " + Quote(awkward));
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].args[0], awkward);
}

TEST(Hex32, WritesEightUpperCaseDigits) {
    EXPECT_EQ(Hex32(0), "0x00000000");
    EXPECT_EQ(Hex32(0x00CF0000), "0x00CF0000");
    EXPECT_EQ(Hex32(0x80004005), "0x80004005");
}

TEST(ParseHresult, ReadsNamesAndNumbers) {
    EXPECT_EQ(ParseHresult("S_OK"), 0);
    EXPECT_EQ(ParseHresult("E_FAIL"), std::int32_t(0x80004005));
    EXPECT_EQ(ParseHresult("E_ABORT"), std::int32_t(0x80004004));
    EXPECT_EQ(ParseHresult("0x80070057"), std::int32_t(0x80070057));
    EXPECT_EQ(ParseHresult("1"), 1);
    EXPECT_EQ(ParseHresult("e_fail"), std::nullopt);
    EXPECT_EQ(ParseHresult("0x"), std::nullopt);
    EXPECT_EQ(ParseHresult("12ab"), std::nullopt);
    EXPECT_EQ(ParseHresult("0x100000000"), std::nullopt);
    EXPECT_EQ(ParseHresult(""), std::nullopt);
}

TEST(WildcardMatch, StarMatchesAnyRunAndTheRestIsExact) {
    EXPECT_TRUE(WildcardMatch("https://tessaly.example/*", "https://tessaly.example/"));
    EXPECT_TRUE(WildcardMatch("https://tessaly.example/*", "https://tessaly.example/a/b.js"));
    EXPECT_FALSE(WildcardMatch("https://tessaly.example/*", "https://tessaly.example"));
    EXPECT_FALSE(WildcardMatch("https://tessaly.example/*", "https://TESSALY.example/a"));
    EXPECT_FALSE(WildcardMatch("https://tessaly.example/*", "http://tessaly.example/a"));
    EXPECT_TRUE(WildcardMatch("*", ""));
    EXPECT_TRUE(WildcardMatch("a*b*c", "a-b-b-c"));
    EXPECT_FALSE(WildcardMatch("a*b*c", "a-b-b-c-"));
    EXPECT_TRUE(WildcardMatch("*.js", "x.json.js"));
    EXPECT_FALSE(WildcardMatch("exact", "exactly"));
    EXPECT_FALSE(WildcardMatch("", "x"));
}

TEST(Names, PermissionKindsStatesAndContexts) {
    EXPECT_EQ(PermissionKindFromName("camera"), 2);
    EXPECT_EQ(PermissionKindFromName("window-management"), 12);
    EXPECT_EQ(PermissionKindFromName("Camera"), std::nullopt);
    EXPECT_EQ(PermissionKindName(3), "geolocation");
    EXPECT_EQ(PermissionKindName(13), "13");
    EXPECT_EQ(PermissionKindName(-1), "-1");
    for (int kind = 0; kind <= 12; ++kind) {
        EXPECT_EQ(PermissionKindFromName(PermissionKindName(kind)), kind);
    }
    EXPECT_EQ(PermissionStateName(0), "default");
    EXPECT_EQ(PermissionStateName(1), "allow");
    EXPECT_EQ(PermissionStateName(2), "deny");
    EXPECT_EQ(PermissionStateName(7), "7");
    EXPECT_EQ(ResourceContextFromName("all"), 0);
    EXPECT_EQ(ResourceContextFromName("document"), 1);
    EXPECT_EQ(ResourceContextFromName("media"), 4);
    EXPECT_EQ(ResourceContextFromName("fetch"), 8);
    EXPECT_EQ(ResourceContextFromName("other"), 16);
    EXPECT_EQ(ResourceContextFromName("video"), std::nullopt);
}

}  // namespace
}  // namespace tessaly::standin
