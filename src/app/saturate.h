// Converting floating-point numbers to integers without undefined behaviour.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace tessaly {

// Truncation toward zero; values beyond the 32-bit range saturate, since converting them
// directly would be undefined.
inline std::int32_t TruncateToInt32(double value) {
    constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
    const double truncated = std::trunc(value);
    if (truncated <= kLowest) {
        return std::numeric_limits<std::int32_t>::min();
    }
    if (truncated >= kHighest) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(truncated);
}

}  // namespace tessaly
