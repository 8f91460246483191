// The images of a program's icon: made from any image file the tool can decode, or taken from
// an .ico file as they are.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessaly::tool {

// One image of an icon as an .ico file or an RT_ICON resource holds it: a DIB (header, colour
// pixels, AND mask) or a PNG file.
struct IconImage {
    int width = 0;  // 1 to 256
    int height = 0;
    std::uint16_t bitCount = 32;
    std::uint8_t colorCount = 0;  // palette entries, 0 for 256 or more
    std::uint16_t planes = 1;
    std::string data;
};

class IconError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The sizes pack makes: what Explorer, the taskbar and Alt+Tab ask for at the usual scales.
inline constexpr int kIconSizes[] = {16, 24, 32, 48, 64, 256};

// The icon's images from `file`: an .ico file's own images unchanged, or for any other image
// one square image of each of kIconSizes, scaled with transparency kept; 256 pixels as PNG,
// the others as 32-bit DIBs. Throws IconError when the file cannot be read or decoded.
std::vector<IconImage> IconImagesFromFile(const std::filesystem::path& file);

// The images of an .ico file. Throws IconError when `bytes` is not one.
std::vector<IconImage> IconImagesFromIco(std::string_view bytes);

// An .ico file holding `images`.
std::string IcoFile(const std::vector<IconImage>& images);

// An icon group resource (GRPICONDIR) for `images`, whose RT_ICON resources are numbered from
// `firstId` on.
std::string IconGroup(const std::vector<IconImage>& images, std::uint16_t firstId);

// The entries of an icon group resource with their RT_ICON numbers. Throws IconError when
// `group` is not one.
struct IconGroupEntry {
    IconImage image;  // without data
    std::uint16_t id = 0;
};
std::vector<IconGroupEntry> ReadIconGroup(std::string_view group);

}  // namespace tessaly::tool
