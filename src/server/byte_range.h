// Reading an HTTP Range header value into the one span of a file to send.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessaly {

// Inclusive byte offsets into a file: first <= last < file size.
struct ByteRange {
    std::uint64_t first = 0;
    std::uint64_t last = 0;

    std::uint64_t count() const { return last - first + 1; }
    friend bool operator==(const ByteRange&, const ByteRange&) = default;
};

enum class RangeVerdict {
    Satisfiable,     // `span` holds the bytes to send
    NotSatisfiable,  // malformed, or outside the file
    BadNumber,       // a number that cannot be read; `error` says why
};

// How the range was written: 'bytes=N-', 'bytes=N-M' or 'bytes=-N'.
enum class RangeForm { OpenEnded, Closed, Suffix };

struct ByteRangeResult {
    RangeVerdict verdict = RangeVerdict::NotSatisfiable;
    RangeForm form = RangeForm::Closed;  // meaningful when satisfiable
    ByteRange span;                      // meaningful when satisfiable
    std::string_view error;              // kInvalidNumber or kNumberOutOfRange

    friend bool operator==(const ByteRangeResult&, const ByteRangeResult&) = default;
};

inline constexpr std::string_view kInvalidNumber = "invalid stoll argument";
inline constexpr std::string_view kNumberOutOfRange = "stoll argument out of range";

// Reads `value` (a Range header as the browser sent it) against a file of `fileSize` bytes.
// Only the first range of a list counts. Each number is read like std::stoll: leading white
// space, an optional sign, decimal digits up to the first other character; no digit is
// kInvalidNumber, a value outside the signed 64-bit range is kNumberOutOfRange. A negative
// number fails every bound test. A suffix of zero ('bytes=-0') selects no byte and is not
// satisfiable. Never throws.
ByteRangeResult ParseByteRange(std::u16string_view value, std::uint64_t fileSize);

}  // namespace tessaly
