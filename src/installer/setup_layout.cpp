#include "installer/setup_layout.h"

#include "app/saturate.h"
#include "window/dpi_scale.h"

namespace tessaly {

PixelRect PlaceSetupWindow(float dpiFactor, std::int32_t screenWidth, std::int32_t screenHeight) {
    PixelRect window;
    window.width = ScaleByFactor(300, dpiFactor);
    window.height = ScaleByFactor(90, dpiFactor);
    window.x = screenWidth / 2 - window.width / 2;
    window.y = screenHeight / 2 - window.height / 2;
    return window;
}

PixelRect PlaceProgressBar(float dpiFactor, std::int32_t clientWidth, std::int32_t clientHeight) {
    PixelRect bar;
    bar.x = ScaleByFactor(10, dpiFactor);
    bar.y = ScaleByFactor(10, dpiFactor);
    bar.width = clientWidth - ScaleByFactor(20, dpiFactor);
    bar.height = clientHeight - ScaleByFactor(20, dpiFactor);
    return bar;
}

std::optional<std::int32_t> ProgressPosition(std::uint32_t progress, std::uint32_t maximum) {
    if (maximum == 0) {
        return std::nullopt;
    }
    // Single precision on purpose: large counts round, so the bar may reach 100 a little early.
    const float done = float(double(progress));
    const float total = float(double(maximum));
    const float percent = done * 100.0f / total;
    return TruncateToInt32(percent);
}

std::u16string InstallerPathIn(std::u16string_view userDataFolder) {
    std::u16string path(userDataFolder);
    path += u"\\Webview2Setup.exe";
    return path;
}

bool IsWindowsExecutableImage(std::string_view head) {
    constexpr std::size_t kHeaderOffsetAt = 0x3C;
    if (head.size() < kHeaderOffsetAt + 4 || head.substr(0, 2) != "MZ") {
        return false;
    }
    std::uint32_t offset = 0;
    for (int i = 3; i >= 0; --i) {
        offset = offset << 8 | std::uint8_t(head[kHeaderOffsetAt + std::size_t(i)]);
    }
    return offset <= head.size() && head.size() - offset >= 4 &&
           head.substr(offset, 4) == std::string_view("PE\0\0", 4);
}

}  // namespace tessaly
