#include "browser/external_uri.h"

#include <array>
#include <string>

namespace tessaly {
namespace {

char16_t AsciiLower(char16_t unit) {
    return unit >= u'A' && unit <= u'Z' ? unit + 32 : unit;
}

bool IsSchemeUnit(char16_t unit, bool first) {
    const char16_t lower = AsciiLower(unit);
    if (lower >= u'a' && lower <= u'z') {
        return true;
    }
    return !first &&
           ((unit >= u'0' && unit <= u'9') || unit == u'+' || unit == u'-' || unit == u'.');
}

}  // namespace

bool IsSafeToOpenExternally(std::u16string_view uri) {
    for (const char16_t unit : uri) {
        if (unit <= 0x20 || unit == 0x7F || unit == u'"') {
            return false;
        }
    }
    // The scheme: a letter, then letters, digits, "+", "-" or ".", up to the first colon.
    std::u16string scheme;
    std::size_t i = 0;
    for (; i < uri.size() && IsSchemeUnit(uri[i], i == 0); ++i) {
        scheme.push_back(AsciiLower(uri[i]));
    }
    if (i == 0 || i == uri.size() || uri[i] != u':') {
        return false;
    }
    constexpr std::array<std::u16string_view, 4> kAllowed = {u"http", u"https", u"mailto", u"tel"};
    for (const auto allowed : kAllowed) {
        if (scheme == allowed) {
            return true;
        }
    }
    return false;
}

}  // namespace tessaly
