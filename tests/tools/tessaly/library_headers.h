// The first headers of Windows and Linux programs and libraries, as bytes: what `check` and
// `pack` read to tell what a file is, without a real DLL or shared library.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace tessaly::test {

constexpr std::uint16_t kI386 = 0x14C;
constexpr std::uint16_t kAmd64 = 0x8664;

// An MZ header leading to a PE file header for `machine`, a DLL or a program.
inline std::string PeHeaders(std::uint16_t machine, bool dll = true) {
    std::string bytes(0x40 + 24, '\0');
    bytes.replace(0, 2, "MZ");
    bytes[0x3C] = 0x40;  // where the PE signature is
    bytes.replace(0x40, 4, std::string("PE\0\0", 4));
    bytes[0x44] = char(machine & 0xFF);
    bytes[0x45] = char(machine >> 8);
    bytes[0x56] = 0x22;                  // executable, large-address aware
    bytes[0x57] = dll ? char(0x20) : 0;  // IMAGE_FILE_DLL
    return bytes;
}

constexpr char kElfClass32 = 1;
constexpr char kElfClass64 = 2;
constexpr std::uint16_t kElfExecutable = 2;
constexpr std::uint16_t kElfShared = 3;
constexpr std::uint16_t kElfX86_64 = 62;

// An ELF header; `bigEndian` writes its numbers most significant byte first.
inline std::string ElfHeader(char elfClass = kElfClass64, std::uint16_t type = kElfShared,
                             std::uint16_t machine = kElfX86_64, bool bigEndian = false) {
    std::string bytes(64, '\0');
    bytes.replace(0, 4,
                  "\x7F"
                  "ELF");
    bytes[4] = elfClass;
    bytes[5] = bigEndian ? 2 : 1;
    bytes[6] = 1;  // EV_CURRENT
    for (const auto& [at, value] : {std::pair{16, type}, std::pair{18, machine}}) {
        bytes[at + (bigEndian ? 1 : 0)] = char(value & 0xFF);
        bytes[at + (bigEndian ? 0 : 1)] = char(value >> 8);
    }
    return bytes;
}

}  // namespace tessaly::test
