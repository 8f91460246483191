// A program's version information (the VS_VERSIONINFO of its RT_VERSION resource), and the
// "1.2.3" version texts of package.json.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tessaly::tool {

using VersionNumbers = std::array<std::uint16_t, 4>;

// The numbers of a version text: one to four whole numbers from 0 to 65535 between dots, the
// missing ones 0, optionally followed by a pre-release or build suffix as npm writes them
// ("1.2.3-beta.1", "2.0.0+42"), which the numbers leave out. Nothing for any other text.
std::optional<VersionNumbers> ParseVersion(std::string_view text);

// "1.2.3.0"
std::string VersionText(const VersionNumbers& numbers);

struct VersionInfo {
    VersionNumbers fileVersion{};
    VersionNumbers productVersion{};
    std::uint32_t fileFlagsMask = 0x3F;  // VS_FFI_FILEFLAGSMASK
    std::uint32_t fileFlags = 0;
    std::uint32_t fileOs = 0x40004;  // VOS_NT_WINDOWS32
    std::uint32_t fileType = 1;      // VFT_APP
    std::uint32_t fileSubtype = 0;
    std::u16string table = u"040904B0";  // language and code page of the strings
    std::vector<std::pair<std::u16string, std::u16string>> strings;

    const std::u16string* String(std::u16string_view key) const;
    void SetString(std::u16string_view key, std::u16string value);
};

// The resource's bytes.
std::string BuildVersionInfo(const VersionInfo& info);

// The numbers and the first string table of a resource. Throws std::runtime_error when `data`
// is not a VS_VERSIONINFO.
VersionInfo ReadVersionInfo(std::string_view data);

}  // namespace tessaly::tool
