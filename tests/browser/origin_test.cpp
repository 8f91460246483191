#include "browser/origin.h"

#include <gtest/gtest.h>

#include <string>

#include "server/resource_response.h"

namespace tessaly {
namespace {

TEST(HasVirtualOriginPrefix, ComparesTheOriginUnitForUnit) {
    const std::u16string origin(VirtualOrigin);
    const std::u16string shouted = u"HTTPS" + origin.substr(5);
    const struct {
        std::u16string uri;
        bool passes;
    } cases[] = {
        {origin, true},
        {origin + u"index.html", true},
        {origin + u"sub/page.html?x=1#frag", true},
        {origin.substr(0, origin.size() - 1), false},  // without the final "/"
        {shouted + u"index.html", false},
        {u"https://example.com/", false},
        {u"about:blank", false},
        {u"file:///C:/app/www/index.html", false},
        {u"", false},
        {u"http" + origin.substr(5), false},
        // A look-alike host that merely starts with the origin's host name.
        {origin.substr(0, origin.size() - 1) + u".evil.com/", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HasVirtualOriginPrefix(c.uri), c.passes)
            << std::string(c.uri.begin(), c.uri.end());
    }
}

}  // namespace
}  // namespace tessaly
