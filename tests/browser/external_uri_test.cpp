#include "browser/external_uri.h"

#include <gtest/gtest.h>

#include <string>

namespace tessaly {
namespace {

TEST(IsSafeToOpenExternally, OpensOnlyWebMailAndPhoneAddresses) {
    const struct {
        std::u16string uri;
        bool safe;
    } cases[] = {
        {u"https://example.com/page?q=1#top", true},
        {u"http://example.com", true},
        {u"HTTPS://EXAMPLE.COM", true},
        {u"mailto:team@example.com?subject=Hi", true},
        {u"tel:+15551234567", true},
        {u"https://tessaly.example/other.html", true},
        {u"file:///C:/Windows/System32/calc.exe", false},
        {u"file://server/share/setup.exe", false},
        {u"\\\\server\\share\\setup.exe", false},
        {u"C:\\Windows\\System32\\calc.exe", false},
        {u"ms-msdt:/id PCWDiagnostic", false},
        {u"search-ms:query=setup&crumb=location:\\\\server\\share", false},
        {u"javascript:alert(1)", false},
        {u"about:blank", false},
        {u"https", false},
        {u"", false},
        {u":https://x", false},
        {u"1http://x", false},
        {u" https://example.com", false},
        {u"https://example.com/a b", false},
        {u"https://example.com/\"x", false},
        {u"https://example.com/\u0001", false},
        {u"https://example.com/\u007F", false},
        {u"Mailto:team@example.com", true},
        {u"ht\u0000tp://x", false},
        {u"https\u0130://x", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSafeToOpenExternally(c.uri), c.safe) << std::string(c.uri.begin(), c.uri.end());
    }
}

}  // namespace
}  // namespace tessaly
