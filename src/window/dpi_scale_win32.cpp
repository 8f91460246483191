#include <windows.h>
// windows.h first.

#include "window/dpi_scale.h"

namespace tessaly {
namespace {

float dpiFactor = 0.0f;  // read once, on the first call

}  // namespace

float DpiFactor() {
    if (dpiFactor == 0.0f) {
        HDC screen = GetDC(nullptr);
        dpiFactor = DpiScaleFactor(GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
    }
    return dpiFactor;
}

std::int32_t ScaleForDpi(std::int32_t value) {
    return ScaleByFactor(value, DpiFactor());
}

}  // namespace tessaly
