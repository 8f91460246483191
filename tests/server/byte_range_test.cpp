#include "server/byte_range.h"

#include <gtest/gtest.h>

#include "base/text.h"

namespace tessaly {
namespace {

constexpr auto kOk = RangeVerdict::Satisfiable;
constexpr auto kNo = RangeVerdict::NotSatisfiable;
constexpr auto kBad = RangeVerdict::BadNumber;

struct Case {
    std::u16string value;
    std::uint64_t size;
    RangeVerdict verdict;
    ByteRange span = {};
    RangeForm form = RangeForm::Closed;
};

void Check(const Case& c) {
    const ByteRangeResult result = ParseByteRange(c.value, c.size);
    std::string label = WideToUtf8(c.value);
    label.append(" of ").append(std::to_string(c.size));
    ASSERT_EQ(result.verdict, c.verdict) << label;
    if (c.verdict == kOk) {
        EXPECT_EQ(result.span, c.span) << label;
        EXPECT_EQ(result.form, c.form) << label;
        EXPECT_LT(result.span.last, c.size) << label;
    }
}

TEST(ParseByteRange, ReadsTheThreeForms) {
    constexpr auto kOpen = RangeForm::OpenEnded;
    constexpr auto kSuffix = RangeForm::Suffix;
    const Case cases[] = {
        {u"bytes=0-", 1000, kOk, {0, 999}, kOpen},
        {u"bytes=500-", 1000, kOk, {500, 999}, kOpen},
        {u"bytes=999-", 1000, kOk, {999, 999}, kOpen},
        {u"bytes=1000-", 1000, kNo},
        {u"bytes=100-199", 1000, kOk, {100, 199}},
        {u"bytes=0-0", 1000, kOk, {0, 0}},
        {u"bytes=999-999", 1000, kOk, {999, 999}},
        {u"bytes=100-1000", 1000, kNo},
        {u"bytes=200-100", 1000, kNo},
        {u"bytes=-100", 1000, kOk, {900, 999}, kSuffix},
        {u"bytes=-1000", 1000, kOk, {0, 999}, kSuffix},
        {u"bytes=-1001", 1000, kNo},
        {u"bytes=-0", 1000, kNo},
        // Every satisfiable range of a one-byte file is the span (0, 0).
        {u"bytes=0-", 1, kOk, {0, 0}, kOpen},
        {u"bytes=0-0", 1, kOk, {0, 0}},
        {u"bytes=-1", 1, kOk, {0, 0}, kSuffix},
        {u"bytes=-2", 1, kNo},
        {u"bytes=1-", 1, kNo},
    };
    for (const auto& c : cases) {
        Check(c);
    }
}

TEST(ParseByteRange, ReadsTheValueAsBrowsersWriteIt) {
    const Case cases[] = {
        {u"  bytes=0-  ", 1000, kOk, {0, 999}, RangeForm::OpenEnded},
        {u"\tbytes=1-2\r\n", 1000, kOk, {1, 2}},
        {u"Bytes=0-", 1000, kNo},
        {u"bytes 0-", 1000, kNo},
        {u"bytes", 1000, kNo},
        {u"bytes=0-99,200-299", 1000, kOk, {0, 99}},
        {u"bytes=-100,200-299", 1000, kOk, {900, 999}, RangeForm::Suffix},
        {u"bytes=10", 1000, kNo},
        {u"bytes=", 1000, kNo},
        {u"", 1000, kNo},
        {u" \t ", 1000, kNo},
        {u"bytes= 10-20", 1000, kOk, {10, 20}},
        {u"bytes=\r10-\v20", 1000, kOk, {10, 20}},
        {u"bytes=10- 20", 1000, kOk, {10, 20}},
        {u"bytes=+10-+20", 1000, kOk, {10, 20}},
        {u"bytes=10-20abc", 1000, kOk, {10, 20}},
        {u"bytes=007-010", 1000, kOk, {7, 10}},
        // The second number is -3, which lies outside every file.
        {u"bytes=5--3", 1000, kNo},
        {u"bytes=--5", 1000, kNo},
        {u"bytes=-5-", 1000, kOk, {995, 999}, RangeForm::Suffix},
        {u"bytes=- 5", 1000, kOk, {995, 999}, RangeForm::Suffix},
        // Nothing is read from a file of no bytes, not even the prefix.
        {u"bytes=0-", 0, kNo},
        {u"bytes=abc-", 0, kNo},
        {u"junk", 0, kNo},
    };
    for (const auto& c : cases) {
        Check(c);
    }
}

TEST(ParseByteRange, ReportsNumbersThatCannotBeReadWithoutThrowing) {
    struct BadCase {
        std::u16string value;
        std::string_view error;
    };
    const BadCase cases[] = {
        {u"bytes=abc-", kInvalidNumber},
        {u"bytes=-", kInvalidNumber},
        {u"bytes=-x", kInvalidNumber},
        {u"bytes=1-+", kInvalidNumber},
        {u"bytes=1-\u0661", kInvalidNumber},  // only ASCII digits count
        {u"bytes=9223372036854775808-", kNumberOutOfRange},
        {u"bytes=0-99999999999999999999999999999999", kNumberOutOfRange},
        {u"bytes=-9223372036854775809-", kNumberOutOfRange},
    };
    for (const auto& c : cases) {
        const ByteRangeResult result = ParseByteRange(c.value, 1000);
        EXPECT_EQ(result.verdict, kBad) << WideToUtf8(c.value);
        EXPECT_EQ(result.error, c.error) << WideToUtf8(c.value);
    }
    // The extremes of the signed 64-bit range still read.
    Check({u"bytes=9223372036854775807-", 1000, kNo});
    Check({u"bytes=1--9223372036854775808", 1000, kNo});
}

TEST(ParseByteRange, ReadsOffsetsOfAnySizeIn64Bits) {
    constexpr std::uint64_t k5GiB = std::uint64_t{5} << 30;
    constexpr std::uint64_t kMax = (std::uint64_t{1} << 63) - 1;
    const Case cases[] = {
        {u"bytes=0-", k5GiB, kOk, {0, k5GiB - 1}, RangeForm::OpenEnded},
        {u"bytes=-10", k5GiB, kOk, {k5GiB - 10, k5GiB - 1}, RangeForm::Suffix},
        {u"bytes=2147483647-2147483648", k5GiB, kOk, {2147483647, 2147483648}},
        {u"bytes=4294967295-4294967296", k5GiB, kOk, {4294967295, 4294967296}},
        {u"bytes=4294967296-", k5GiB, kOk, {4294967296, k5GiB - 1}, RangeForm::OpenEnded},
        {u"bytes=-4294967297", k5GiB, kOk, {k5GiB - 4294967297, k5GiB - 1}, RangeForm::Suffix},
        {u"bytes=5368709120-", k5GiB, kNo},
        {u"bytes=9223372036854775806-", kMax, kOk, {kMax - 1, kMax - 1}, RangeForm::OpenEnded},
        {u"bytes=-9223372036854775807", kMax, kOk, {0, kMax - 1}, RangeForm::Suffix},
        // A 32-bit reading of these would land inside the file.
        {u"bytes=4294967396-4294967496", 1000, kNo},
        {u"bytes=-4294967396", 1000, kNo},
        // A negative number never wraps into a large file's range.
        {u"bytes=5--3", k5GiB, kNo},
        {u"bytes=1--4294967295", k5GiB, kNo},
    };
    for (const auto& c : cases) {
        Check(c);
    }
}

}  // namespace
}  // namespace tessaly
