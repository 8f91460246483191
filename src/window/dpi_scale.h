// Logical sizes (pixels at 96 DPI) to device pixels.
#pragma once

#include <cstdint>

namespace tessaly {

// The factor for a DPI: DPI / 96 in single precision.
float DpiScaleFactor(std::int32_t dpi);

// The size in device pixels: value times factor in single precision, rounded up (the ceiling
// taken in double precision), truncated to an integer.
std::int32_t ScaleByFactor(std::int32_t value, float factor);

// Back from device pixels: the largest value that ScaleByFactor makes at most `device`, so a
// size scaled up comes back as it was. `device` and `factor` are positive.
std::int32_t UnscaleByFactor(std::int32_t device, float factor);

// Windows only. The factor for the screen's horizontal DPI, read on the first call and never
// again: a later change of DPI is not followed. Heights scale by the horizontal factor too.
float DpiFactor();

// Windows only. ScaleByFactor with DpiFactor().
std::int32_t ScaleForDpi(std::int32_t value);

}  // namespace tessaly
