#include "base/text.h"

namespace tessaly {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

void AppendCodePoint(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// What a lead byte announces: how many continuation bytes follow, the payload bits it carries,
// and the allowed range of the first continuation byte. The narrowed ranges after E0, ED, F0
// and F4 exclude overlong forms, surrogates and code points above U+10FFFF.
struct LeadByte {
    int continuations;
    char32_t bits;
    unsigned char firstLow;
    unsigned char firstHigh;
};

bool ReadLeadByte(unsigned char b, LeadByte& lead) {
    if (b >= 0xC2 && b <= 0xDF) {
        lead = {1, b & 0x1Fu, 0x80, 0xBF};
    } else if (b >= 0xE0 && b <= 0xEF) {
        lead = {2, b & 0x0Fu, static_cast<unsigned char>(b == 0xE0 ? 0xA0 : 0x80),
                static_cast<unsigned char>(b == 0xED ? 0x9F : 0xBF)};
    } else if (b >= 0xF0 && b <= 0xF4) {
        lead = {3, b & 0x07u, static_cast<unsigned char>(b == 0xF0 ? 0x90 : 0x80),
                static_cast<unsigned char>(b == 0xF4 ? 0x8F : 0xBF)};
    } else {
        return false;
    }
    return true;
}

bool IsCLocaleSpace(char16_t unit) {
    return unit == 0x20 || (unit >= 0x09 && unit <= 0x0D);
}

}  // namespace

std::u16string Utf8ToWide(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i++]);
        if (b0 < 0x80) {
            out.push_back(b0);
            continue;
        }
        LeadByte lead;
        if (!ReadLeadByte(b0, lead)) {
            out.push_back(kReplacement);
            continue;
        }
        char32_t cp = lead.bits;
        unsigned char low = lead.firstLow;
        unsigned char high = lead.firstHigh;
        int read = 0;
        // Consume continuation bytes only while they fit; a byte that is no continuation
        // starts the next sequence, so a truncated sequence costs exactly one replacement.
        while (read < lead.continuations && i < bytes.size()) {
            const auto b = static_cast<unsigned char>(bytes[i]);
            if (b < low || b > high) {
                // Like Windows, a continuation byte that makes the sequence overlong, a
                // surrogate or too large is swallowed with the lead byte.
                if (read == 0 && b >= 0x80 && b <= 0xBF) {
                    ++i;
                }
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
            low = 0x80;
            high = 0xBF;
            ++read;
            ++i;
        }
        if (read == lead.continuations) {
            AppendCodePoint(out, cp);
        } else {
            out.push_back(kReplacement);
        }
    }
    return out;
}

std::string WideToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        char32_t cp = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            cp = kReplacement;
        }
        AppendUtf8(out, cp);
    }
    return out;
}

void TrimWhitespace(std::u16string& text) {
    while (!text.empty() && IsCLocaleSpace(text.back())) {
        text.pop_back();
    }
    std::size_t lead = 0;
    while (lead < text.size() && IsCLocaleSpace(text[lead])) {
        ++lead;
    }
    text.erase(0, lead);
}

namespace {

template <class Char>
std::basic_string<Char> ReplaceEvery(std::basic_string_view<Char> text,
                                     std::basic_string_view<Char> pattern,
                                     std::basic_string_view<Char> replacement) {
    std::basic_string<Char> result;
    result.reserve(text.size());
    std::size_t p = 0;
    for (std::size_t hit; (hit = text.find(pattern, p)) != text.npos;) {
        result.append(text.substr(p, hit - p));
        result.append(replacement);
        p = hit + pattern.size();
    }
    result.append(text.substr(p));
    return result;
}

}  // namespace

std::u16string ReplaceAll(std::u16string_view text, std::u16string_view pattern,
                          std::u16string_view replacement) {
    return ReplaceEvery(text, pattern, replacement);
}

std::string ReplaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement) {
    return ReplaceEvery(text, pattern, replacement);
}

}  // namespace tessaly
