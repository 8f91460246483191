// Fuzzes ParseByteRange. Input: 4 bytes of file size, then the Range value as UTF-16 units.
// Besides the sanitizers, every ASCII value is checked against std::stoll reading the same
// numbers: the result may differ only where the server deliberately serves
// 'bytes=0-0' and one-byte files, and refuses the empty span of 'bytes=-0'.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "server/byte_range.h"

namespace {

using tessaly::ByteRange;
using tessaly::ByteRangeResult;
using tessaly::RangeForm;
using tessaly::RangeVerdict;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

struct StollResult {
    bool error = false;
    std::string what;
    std::uint64_t first = 0;
    std::uint64_t last = 0;
};

// A negative number becomes huge, so it fails every bound test.
std::uint64_t Stoll(const std::string& text) {
    return std::uint64_t(std::stoll(text));
}

// The rules as written, with std::stoll as the number reader.
StollResult StollParse(std::string value, std::uint64_t size) {
    const auto space = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    while (!value.empty() && space(value.back())) {
        value.pop_back();
    }
    std::size_t lead = 0;
    while (lead < value.size() && space(value[lead])) {
        ++lead;
    }
    value.erase(0, lead);
    if (size == 0 || value.compare(0, 6, "bytes=") != 0 || value.size() < 6) {
        return {};
    }
    const std::string ranges = value.substr(6);
    const auto hyphen = ranges.find('-');
    if (hyphen == std::string::npos) {
        return {};
    }
    try {
        if (hyphen == ranges.size() - 1) {
            const std::uint64_t first = Stoll(ranges.substr(0, hyphen));
            return first >= size ? StollResult{} : StollResult{false, {}, first, size - 1};
        }
        if (hyphen != 0) {
            const std::uint64_t first = Stoll(ranges.substr(0, hyphen));
            const std::uint64_t last = Stoll(ranges.substr(hyphen + 1));
            if (first >= size || last >= size || first > last) {
                return {};
            }
            return {false, {}, first, last};
        }
        const std::uint64_t count = Stoll(ranges.substr(1));
        return count > size ? StollResult{} : StollResult{false, {}, size - count, size - 1};
    } catch (const std::invalid_argument&) {
        return {true, "invalid stoll argument"};
    } catch (const std::out_of_range&) {
        return {true, "stoll argument out of range"};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    std::uint32_t sizeBits;
    std::memcpy(&sizeBits, data, 4);
    // Mostly small files, where the interesting bounds are; sometimes ones of 2 GiB and more.
    const std::uint64_t fileSize =
        (sizeBits & 0x80000000u) ? (std::uint64_t(sizeBits) << 2) : (sizeBits & 0x7FFu);
    std::u16string value((size - 4) / 2, u'\0');
    std::memcpy(value.data(), data + 4, value.size() * 2);

    const ByteRangeResult result = tessaly::ParseByteRange(value, fileSize);
    switch (result.verdict) {
        case RangeVerdict::Satisfiable:
            Require(result.span.first <= result.span.last && result.span.last < fileSize);
            Require(result.form != RangeForm::OpenEnded || result.span.last == fileSize - 1);
            Require(result.form != RangeForm::Suffix || result.span.last == fileSize - 1);
            Require(result.error.empty());
            break;
        case RangeVerdict::NotSatisfiable:
            Require(result.error.empty());
            break;
        case RangeVerdict::BadNumber:
            Require(result.error == tessaly::kInvalidNumber ||
                    result.error == tessaly::kNumberOutOfRange);
            break;
    }

    bool ascii = true;
    std::string narrow;
    for (const char16_t unit : value) {
        ascii = ascii && unit > 0 && unit < 0x80;
        narrow.push_back(char(unit));
    }
    if (!ascii) {
        return 0;
    }
    const StollResult expected = StollParse(narrow, fileSize);
    if (expected.error) {
        Require(result.verdict == RangeVerdict::BadNumber && result.error == expected.what);
    } else if (expected.first == 0 && expected.last == 0) {
        Require(result.verdict == RangeVerdict::NotSatisfiable ||
                (result.verdict == RangeVerdict::Satisfiable && result.span == ByteRange{0, 0}));
    } else if (expected.first > expected.last) {
        Require(result.verdict == RangeVerdict::NotSatisfiable);  // 'bytes=-0'
    } else {
        Require(result.verdict == RangeVerdict::Satisfiable &&
                result.span == ByteRange{expected.first, expected.last});
    }
    return 0;
}
