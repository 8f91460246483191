// The runtime installer's arithmetic: where its progress window and bar go, how far the bar
// moves, and whether the downloaded file can be run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

inline constexpr std::u16string_view kCommonControlsFailedText =
    u"Failed to initialize common controls";
inline constexpr std::u16string_view kUserDataFolderFailedText =
    u"Failed to create user data directory";

struct PixelRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const PixelRect&) const = default;
};

// The progress window's outer rectangle: 300 x 90 logical pixels, centred on a screen of the
// given size (each half truncated on its own).
PixelRect PlaceSetupWindow(float dpiFactor, std::int32_t screenWidth, std::int32_t screenHeight);

// The progress bar inside a client area of the given size at (0, 0): inset 10 logical pixels at
// the left and top, 20 narrower and shorter.
PixelRect PlaceProgressBar(float dpiFactor, std::int32_t clientWidth, std::int32_t clientHeight);

// The bar position (0 to 100) for a download's progress, in single precision, truncated; none
// when the maximum is 0.
std::optional<std::int32_t> ProgressPosition(std::uint32_t progress, std::uint32_t maximum);

// Where the downloaded installer is kept: in the user data folder.
std::u16string InstallerPathIn(std::u16string_view userDataFolder);

// Whether the bytes begin like a Windows executable image: the "MZ" header whose offset at 0x3C
// leads to the "PE\0\0" signature inside the file.
bool IsWindowsExecutableImage(std::string_view head);

// How many bytes from the start of a file IsWindowsExecutableImage looks at, at most.
inline constexpr std::size_t kExecutableHeadBytes = 4096;

}  // namespace tessaly
