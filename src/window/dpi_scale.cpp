#include "window/dpi_scale.h"

#include <cmath>

#include "base/saturate.h"

namespace tessaly {

float DpiScaleFactor(std::int32_t dpi) {
    return float(dpi) / 96.0f;
}

std::int32_t ScaleByFactor(std::int32_t value, float factor) {
    // Every float operation rounds to single precision (on x86 the build uses SSE, not the
    // x87 stack, which would carry extra bits into the ceiling). A size beyond the 32-bit range
    // saturates.
    const float product = float(value) * factor;
    return TruncateToInt32(float(std::ceil(double(product))));
}

std::int32_t UnscaleByFactor(std::int32_t device, float factor) {
    // The quotient is within one of the answer either way.
    auto value = std::int32_t(double(device) / double(factor));
    while (ScaleByFactor(value + 1, factor) <= device) {
        ++value;
    }
    while (value > 0 && ScaleByFactor(value, factor) > device) {
        --value;
    }
    return value;
}

}  // namespace tessaly
