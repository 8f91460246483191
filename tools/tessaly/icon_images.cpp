#include "tessaly/icon_images.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "tessaly/file_names.h"
#include "tessaly/little_endian.h"

// Debian's stb: decoding, scaling and PNG writing, compiled into this file only (a system
// include folder, so its own code is held to its own warnings).
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_FAILURE_USERMSG
#include <stb/stb_image.h>
#define STB_IMAGE_RESIZE_STATIC
#define STB_IMAGE_RESIZE_IMPLEMENTATION
#include <stb/stb_image_resize.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb/stb_image_write.h>

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kLargestImageFile = 32 * 1024 * 1024;
constexpr int kLargestSide = 16384;

// The part of a directory entry that an .ico file and an icon group share.
void AddEntryStart(std::string& bytes, const IconImage& image) {
    bytes += char(image.width >= 256 ? 0 : image.width);
    bytes += char(image.height >= 256 ? 0 : image.height);
    bytes += char(image.colorCount);
    bytes += '\0';
    Add16(bytes, image.planes);
    Add16(bytes, image.bitCount);
    Add32(bytes, std::uint32_t(image.data.size()));
}

IconImage EntryStart(std::string_view bytes, std::size_t at) {
    IconImage image;
    image.width = std::uint8_t(bytes[at]) == 0 ? 256 : std::uint8_t(bytes[at]);
    image.height = std::uint8_t(bytes[at + 1]) == 0 ? 256 : std::uint8_t(bytes[at + 1]);
    image.colorCount = std::uint8_t(bytes[at + 2]);
    image.planes = Get16(bytes, at + 4);
    image.bitCount = Get16(bytes, at + 6);
    return image;
}

std::size_t DirectoryCount(std::string_view bytes, std::size_t entrySize) {
    if (bytes.size() < 6 || Get16(bytes, 0) != 0 || Get16(bytes, 2) != 1) {
        throw IconError("not an icon");
    }
    const std::size_t count = Get16(bytes, 4);
    if (count == 0 || bytes.size() < 6 + count * entrySize) {
        throw IconError("an icon with no images, or cut short");
    }
    return count;
}

// RGBA pixels, top row first, as a 32-bit DIB with its AND mask (set where fully transparent).
std::string Dib(const std::vector<unsigned char>& rgba, int size) {
    const std::size_t maskRow = std::size_t((size + 31) / 32 * 4);
    std::string dib;
    Add32(dib, 40);
    Add32(dib, std::uint32_t(size));
    Add32(dib, std::uint32_t(size * 2));  // colour rows and mask rows
    Add16(dib, 1);
    Add16(dib, 32);
    Add32(dib, 0);  // BI_RGB
    Add32(dib, std::uint32_t(std::size_t(size) * size * 4 + maskRow * size));
    dib.append(16, '\0');
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            const unsigned char* p = &rgba[(std::size_t(y) * size + x) * 4];
            dib += char(p[2]);
            dib += char(p[1]);
            dib += char(p[0]);
            dib += char(p[3]);
        }
    }
    for (int y = size - 1; y >= 0; --y) {
        std::string row(maskRow, '\0');
        for (int x = 0; x < size; ++x) {
            if (rgba[(std::size_t(y) * size + x) * 4 + 3] == 0) {
                row[std::size_t(x / 8)] = char(row[std::size_t(x / 8)] | (0x80 >> (x % 8)));
            }
        }
        dib += row;
    }
    return dib;
}

std::string Png(const std::vector<unsigned char>& rgba, int size) {
    std::string png;
    const auto append = [](void* context, void* data, int length) {
        static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                                   std::size_t(length));
    };
    if (!stbi_write_png_to_func(append, &png, size, size, 4, rgba.data(), size * 4)) {
        throw IconError("cannot write a PNG image");
    }
    return png;
}

// The image scaled to fit a square of `size` pixels, centred, the rest transparent.
std::vector<unsigned char> Square(const unsigned char* rgba, int width, int height, int size) {
    const int fitWidth = width >= height ? size : std::max(1, (width * size + height / 2) / height);
    const int fitHeight = height >= width ? size : std::max(1, (height * size + width / 2) / width);
    std::vector<unsigned char> fitted(std::size_t(fitWidth) * fitHeight * 4);
    // Colours are mixed in linear light and weighted by their alpha, so that transparent pixels
    // lend no colour to the edges.
    if (!stbir_resize_uint8_srgb(rgba, width, height, 0, fitted.data(), fitWidth, fitHeight, 0, 4,
                                 3, 0)) {
        throw IconError("cannot scale the image");
    }
    std::vector<unsigned char> square(std::size_t(size) * size * 4, 0);
    const int left = (size - fitWidth) / 2;
    const int top = (size - fitHeight) / 2;
    for (int y = 0; y < fitHeight; ++y) {
        std::copy_n(&fitted[std::size_t(y) * fitWidth * 4], std::size_t(fitWidth) * 4,
                    &square[(std::size_t(y + top) * size + left) * 4]);
    }
    return square;
}

}  // namespace

std::vector<IconImage> IconImagesFromIco(std::string_view bytes) {
    const std::size_t count = DirectoryCount(bytes, 16);
    std::vector<IconImage> images;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + i * 16;
        IconImage image = EntryStart(bytes, entry);
        const std::uint64_t size = Get32(bytes, entry + 8);
        const std::uint64_t offset = Get32(bytes, entry + 12);
        if (size == 0 || offset + size > bytes.size()) {
            throw IconError("an icon whose image " + std::to_string(i + 1) +
                            " lies past the end of the file");
        }
        image.data = std::string(bytes.substr(std::size_t(offset), std::size_t(size)));
        images.push_back(std::move(image));
    }
    return images;
}

std::vector<IconImage> IconImagesFromFile(const fs::path& file) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(file, error);
    if (error) {
        throw IconError("cannot be read");
    }
    if (size > kLargestImageFile) {
        throw IconError("is too large for an icon (" + std::to_string(size) + " bytes)");
    }
    std::ifstream in(file, std::ios::binary);
    std::ostringstream read;
    read << in.rdbuf();
    const std::string bytes = read.str();
    if (!in || bytes.size() != size) {
        throw IconError("cannot be read");
    }
    if (bytes.size() >= 4 &&
        std::string_view(bytes).substr(0, 4) == std::string_view("\0\0\1\0", 4)) {
        try {
            return IconImagesFromIco(bytes);
        } catch (const IconError& bad) {
            throw IconError(std::string("is a broken .ico file: ") + bad.what());
        }
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!stbi_info_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                               int(bytes.size()), &width, &height, &channels)) {
        throw IconError(std::string("cannot be decoded (") + stbi_failure_reason() +
                        "); icons are made from PNG, JPEG, BMP, GIF, TGA or PSD images, and "
                        ".ico files are used as they are");
    }
    if (width > kLargestSide || height > kLargestSide) {
        throw IconError("is too large for an icon (" + std::to_string(width) + " x " +
                        std::to_string(height) + " pixels)");
    }
    unsigned char* pixels =
        stbi_load_from_memory(reinterpret_cast<const unsigned char*>(bytes.data()),
                              int(bytes.size()), &width, &height, &channels, 4);
    if (!pixels) {
        throw IconError(std::string("cannot be decoded (") + stbi_failure_reason() + ")");
    }
    std::vector<IconImage> images;
    try {
        for (const int side : kIconSizes) {
            const std::vector<unsigned char> square = Square(pixels, width, height, side);
            IconImage image;
            image.width = side;
            image.height = side;
            image.data = side >= 256 ? Png(square, side) : Dib(square, side);
            images.push_back(std::move(image));
        }
    } catch (...) {
        stbi_image_free(pixels);
        throw;
    }
    stbi_image_free(pixels);
    return images;
}

std::string IcoFile(const std::vector<IconImage>& images) {
    std::string ico;
    Add16(ico, 0);
    Add16(ico, 1);
    Add16(ico, std::uint32_t(images.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * images.size());
    for (const IconImage& image : images) {
        AddEntryStart(ico, image);
        Add32(ico, offset);
        offset += std::uint32_t(image.data.size());
    }
    for (const IconImage& image : images) {
        ico += image.data;
    }
    return ico;
}

std::string IconGroup(const std::vector<IconImage>& images, std::uint16_t firstId) {
    std::string group;
    Add16(group, 0);
    Add16(group, 1);
    Add16(group, std::uint32_t(images.size()));
    for (std::size_t i = 0; i < images.size(); ++i) {
        AddEntryStart(group, images[i]);
        Add16(group, std::uint32_t(firstId + i));
    }
    return group;
}

std::vector<IconGroupEntry> ReadIconGroup(std::string_view group) {
    const std::size_t count = DirectoryCount(group, 14);
    std::vector<IconGroupEntry> entries;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = 6 + i * 14;
        entries.push_back({EntryStart(group, at), Get16(group, at + 12)});
    }
    return entries;
}

}  // namespace tessaly::tool
