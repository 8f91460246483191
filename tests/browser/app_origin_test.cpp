#include "browser/app_origin.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace tessaly {
namespace {

TEST(VirtualUriOfAppUri, MapsOnlyTheAppOriginOntoTheVirtualOrigin) {
    const struct {
        std::u16string uri;
        std::optional<std::u16string> expected;
    } cases[] = {
        {u"tessaly://app/index.html", u"https://tessaly.example/index.html"},
        {u"tessaly://app/app.js?v=2#x", u"https://tessaly.example/app.js?v=2#x"},
        {u"tessaly://app/..%2fpackage.json", u"https://tessaly.example/..%2fpackage.json"},
        {u"tessaly://app/", u"https://tessaly.example/"},
        {u"tessaly://app", std::nullopt},
        {u"tessaly://apps/x", std::nullopt},
        {u"TESSALY://app/x", std::nullopt},
        {u"tessaly://other/app/x", std::nullopt},
        {u"https://tessaly.example/x", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VirtualUriOfAppUri(c.uri), c.expected) << std::string(c.uri.begin(), c.uri.end());
        EXPECT_EQ(HasAppOriginPrefix(c.uri), c.expected.has_value());
    }
}

TEST(VirtualUriOfMediaTarget, AnswersOnlyPathsUnderThisRunsToken) {
    const std::string token = "0123456789abcdef0123456789abcdef";
    const std::string at = std::string("/").append(token);
    const struct {
        std::string target;
        std::optional<std::u16string> expected;
    } cases[] = {
        {at + "/media/clip.webm", u"https://tessaly.example/media/clip.webm"},
        {at + "/m%C3%A9dia/%E2%82%AC.webm?v=1",
         u"https://tessaly.example/m%C3%A9dia/%E2%82%AC.webm?v=1"},
        {at + "/d\xC3\xA9j\xC3\xA0.ogg", u"https://tessaly.example/d\u00E9j\u00E0.ogg"},
        {at + "/", u"https://tessaly.example/"},
        {at, std::nullopt},
        {at + "x/clip.webm", std::nullopt},
        {std::string("/").append(token, 0, 31).append("0/clip.webm"), std::nullopt},
        {std::string("/1").append(token, 1).append("/clip.webm"), std::nullopt},
        {std::string(token).append("//clip.webm"), std::nullopt},
        {"/media/clip.webm", std::nullopt},
        {"/", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VirtualUriOfMediaTarget(c.target, token), c.expected) << c.target;
    }
    EXPECT_EQ(VirtualUriOfMediaTarget("//x", ""), std::nullopt);
}

TEST(MakeAccessToken, GivesDifferent128BitHexTokens) {
    std::random_device random;
    std::set<std::string> tokens;
    for (int i = 0; i < 8; ++i) {
        const std::string token = MakeAccessToken(random);
        EXPECT_EQ(token.size(), 32u);
        EXPECT_EQ(token.find_first_not_of("0123456789abcdef"), std::string::npos) << token;
        // Every digit drawn afresh: 32 random digits with 4 or fewer values has odds of 1e-16.
        EXPECT_GT(std::set<char>(token.begin(), token.end()).size(), 4u) << token;
        tokens.insert(token);
    }
    EXPECT_EQ(tokens.size(), 8u);
    EXPECT_EQ(MediaBaseUrl(4242, "abc"), "http://127.0.0.1:4242/abc/");
}

}  // namespace
}  // namespace tessaly
