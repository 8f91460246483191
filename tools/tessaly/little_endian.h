// Reading and writing the little-endian numbers of Windows' file formats (PE, ICO, version
// resources) in byte strings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tessaly::tool {

inline std::uint16_t Get16(std::string_view bytes, std::uint64_t at) {
    return std::uint16_t(std::uint8_t(bytes[at]) | std::uint8_t(bytes[at + 1]) << 8);
}

inline std::uint32_t Get32(std::string_view bytes, std::uint64_t at) {
    return std::uint32_t(Get16(bytes, at)) | std::uint32_t(Get16(bytes, at + 2)) << 16;
}

// Overwrites the bytes at `at`.
inline void Put16(std::string& bytes, std::uint64_t at, std::uint32_t value) {
    bytes[at] = char(value & 0xFF);
    bytes[at + 1] = char((value >> 8) & 0xFF);
}

inline void Put32(std::string& bytes, std::uint64_t at, std::uint32_t value) {
    Put16(bytes, at, value & 0xFFFF);
    Put16(bytes, at + 2, value >> 16);
}

// Appends to the end.
inline void Add16(std::string& bytes, std::uint32_t value) {
    bytes += char(value & 0xFF);
    bytes += char((value >> 8) & 0xFF);
}

inline void Add32(std::string& bytes, std::uint32_t value) {
    Add16(bytes, value & 0xFFFF);
    Add16(bytes, value >> 16);
}

}  // namespace tessaly::tool
