// The resources of a Windows executable (PE32 or PE32+), read and replaced.
//
// The resource section is rebuilt whole and written where the old one was; a base relocation
// section after it is moved behind it, unchanged. Every other byte of the file stays where it
// is, and the headers get the new sizes, data directories and checksum. Files this cannot
// rewrite without guessing are refused: see PeResourceFile.
#pragma once

#include <compare>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tessaly/library_kind.h"

namespace tessaly::tool {

// A resource type, name or language key: a number, or a name when `text` is not empty.
struct ResourceKey {
    std::uint16_t number = 0;
    std::u16string text;

    // The order of a resource directory: names first, by their UTF-16 units, then numbers.
    friend std::strong_ordering operator<=>(const ResourceKey& a, const ResourceKey& b) {
        if (a.text.empty() != b.text.empty()) {
            return a.text.empty() ? std::strong_ordering::greater : std::strong_ordering::less;
        }
        return a.text.empty() ? a.number <=> b.number : a.text <=> b.text;
    }
    friend bool operator==(const ResourceKey&, const ResourceKey&) = default;
};

constexpr std::uint16_t kIconResource = 3;        // RT_ICON
constexpr std::uint16_t kGroupIconResource = 14;  // RT_GROUP_ICON
constexpr std::uint16_t kVersionResource = 16;    // RT_VERSION

struct Resource {
    ResourceKey type;
    ResourceKey name;
    std::uint16_t language = 0;
    std::uint32_t codePage = 0;
    std::string data;
};

class PeResourceFile {
  public:
    // Reads the headers and the resources of `exe`. Throws PeFileError for a file that is not a
    // PE image, is cut short, has no resources, is already signed, has sections after its
    // resources other than the base relocations, has data past its last section, or whose
    // headers or resource directory do not hold together.
    explicit PeResourceFile(const std::filesystem::path& exe);

    bool is64Bit() const { return pe32Plus_; }
    const std::vector<Resource>& resources() const { return resources_; }

    // Writes the file with `resources` in place of its own to `out`, which must not be the file
    // read. Throws std::runtime_error when writing fails; `out` may then be partly written.
    void Write(const std::filesystem::path& out, const std::vector<Resource>& resources) const;

  private:
    struct Section {
        std::uint32_t header = 0;  // offset of its section header in the file
        std::uint32_t virtualSize = 0;
        std::uint32_t virtualAddress = 0;
        std::uint32_t rawSize = 0;
        std::uint32_t rawOffset = 0;
    };

    std::filesystem::path path_;
    std::string headers_;  // the file's first SizeOfHeaders bytes
    bool pe32Plus_ = false;
    std::uint32_t optionalHeader_ = 0;  // offset in the file
    std::uint32_t directories_ = 0;     // offset of the data directories in the file
    std::uint32_t fileAlignment_ = 0;
    std::uint32_t sectionAlignment_ = 0;
    std::vector<Section> sections_;
    std::size_t resourceSection_ = 0;  // index; the sections after it are moved
    std::vector<Resource> resources_;
};

// The PE checksum of `bytes` (CheckSumMappedFile's sum), with the 4 bytes at `checksumOffset`
// counted as zeros.
std::uint32_t PeChecksum(const std::filesystem::path& file, std::uint64_t checksumOffset);

}  // namespace tessaly::tool
