#include "server/byte_range.h"

#include <string>

#include "app/text.h"

namespace tessaly {
namespace {

bool IsSpace(char16_t unit) {
    return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

bool IsDigit(char16_t unit) {
    return unit >= u'0' && unit <= u'9';
}

// A number as std::stoll reads it. Only the sign and the digits matter; whatever follows the
// last digit is ignored, which is how 'bytes=0-99,200-299' keeps its first range alone.
struct Number {
    std::int64_t value = 0;
    std::string_view error;
};

Number ReadNumber(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == text.size() || !IsDigit(text[i])) {
        return {0, kInvalidNumber};
    }
    // One past the largest magnitude (2^63, for the negative end). Reading stops growing above
    // it, so that any count of digits is safe.
    constexpr std::uint64_t kLimit = std::uint64_t{1} << 63;
    std::uint64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const auto digit = std::uint64_t(text[i] - u'0');
        magnitude = magnitude > (kLimit - digit) / 10 ? kLimit + 1 : magnitude * 10 + digit;
    }
    if (magnitude > kLimit || (magnitude == kLimit && !negative)) {
        return {0, kNumberOutOfRange};
    }
    return {negative ? std::int64_t(0 - magnitude) : std::int64_t(magnitude), {}};
}

ByteRangeResult NotSatisfiable() {
    return {};
}

ByteRangeResult Bad(std::string_view error) {
    return {RangeVerdict::BadNumber, RangeForm::Closed, {}, error};
}

ByteRangeResult Span(RangeForm form, std::uint64_t first, std::uint64_t last) {
    return {RangeVerdict::Satisfiable, form, {first, last}, {}};
}

}  // namespace

ByteRangeResult ParseByteRange(std::u16string_view value, std::uint64_t fileSize) {
    std::u16string trimmed(value);
    TrimWhitespace(trimmed);
    if (fileSize == 0) {
        return NotSatisfiable();
    }
    constexpr std::u16string_view kPrefix = u"bytes=";
    if (!std::u16string_view(trimmed).starts_with(kPrefix)) {
        return NotSatisfiable();
    }
    const std::u16string_view ranges = std::u16string_view(trimmed).substr(kPrefix.size());
    const auto hyphen = ranges.find(u'-');
    if (hyphen == std::u16string_view::npos) {
        return NotSatisfiable();
    }
    // A negative number is below every bound, so it is tested apart from the unsigned ones.
    const auto within = [fileSize](std::int64_t n) {
        return n >= 0 && std::uint64_t(n) < fileSize;
    };

    if (hyphen == ranges.size() - 1) {
        const Number first = ReadNumber(ranges.substr(0, hyphen));
        if (!first.error.empty()) {
            return Bad(first.error);
        }
        if (!within(first.value)) {
            return NotSatisfiable();
        }
        return Span(RangeForm::OpenEnded, std::uint64_t(first.value), fileSize - 1);
    }
    if (hyphen != 0) {
        const Number first = ReadNumber(ranges.substr(0, hyphen));
        if (!first.error.empty()) {
            return Bad(first.error);
        }
        const Number last = ReadNumber(ranges.substr(hyphen + 1));
        if (!last.error.empty()) {
            return Bad(last.error);
        }
        if (!within(first.value) || !within(last.value) || first.value > last.value) {
            return NotSatisfiable();
        }
        return Span(RangeForm::Closed, std::uint64_t(first.value), std::uint64_t(last.value));
    }
    const Number count = ReadNumber(ranges.substr(1));
    if (!count.error.empty()) {
        return Bad(count.error);
    }
    if (count.value <= 0 || std::uint64_t(count.value) > fileSize) {
        return NotSatisfiable();
    }
    return Span(RangeForm::Suffix, fileSize - std::uint64_t(count.value), fileSize - 1);
}

}  // namespace tessaly
