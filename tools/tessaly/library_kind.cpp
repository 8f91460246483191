#include "tessaly/library_kind.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <utility>

#include "tessaly/little_endian.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;

using Format = LibraryKind::Format;

constexpr std::uint16_t kImageFileDll = 0x2000;
constexpr std::uint8_t kElfClass64 = 2;
constexpr std::uint8_t kElfDataLittleEndian = 1;
constexpr std::uint16_t kElfSharedObject = 3;  // ET_DYN

// What each platform's programs and libraries are.
struct Platform {
    std::string_view name;
    Format format;
    std::uint16_t machine;
    std::string_view library;  // what a library of the platform is, for a person
};

constexpr std::array<Platform, 3> kPlatforms = {{
    {"windows-x86", Format::Pe, 0x14C, "a 32-bit x86 DLL"},
    {"windows-x64", Format::Pe, 0x8664, "a 64-bit x64 DLL"},
    {"linux-x64", Format::Elf, 62,
     "an ELF shared library of ELFCLASS64, ELFDATA2LSB, EM_X86_64 (62) and ET_DYN"},
}};

// The name `names` gives `value`, or the field's name and the number.
std::string Named(std::uint32_t value,
                  std::initializer_list<std::pair<std::uint32_t, const char*>> names,
                  std::string_view field) {
    for (const auto& [number, name] : names) {
        if (number == value) {
            return name;
        }
    }
    return std::string(field) + " " + std::to_string(value);
}

std::string Hex16(std::uint16_t value) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) {
        text += kDigits[(value >> shift) & 0xF];
    }
    return text;
}

std::string Described(const LibraryKind& kind) {
    switch (kind.format) {
        case Format::Unreadable:
            return "a file that cannot be read";
        case Format::Unknown:
            return "neither a PE (Windows) nor an ELF (Linux) file";
        case Format::Pe: {
            const std::string what =
                kind.dll ? "DLL" : "PE image that is not a DLL (IMAGE_FILE_DLL is not set)";
            switch (kind.machine) {
                case 0x14C:
                    return "a 32-bit x86 " + what;
                case 0x8664:
                    return "a 64-bit x64 " + what;
                case 0xAA64:
                    return "a 64-bit ARM64 " + what;
                default:
                    return "a " + what + " for machine " + Hex16(kind.machine);
            }
        }
        case Format::Elf:
            break;
    }
    return "an ELF file of " +
           Named(kind.elfClass, {{1, "ELFCLASS32"}, {2, "ELFCLASS64"}}, "EI_CLASS") + ", " +
           Named(kind.elfData, {{1, "ELFDATA2LSB"}, {2, "ELFDATA2MSB"}}, "EI_DATA") + ", " +
           Named(kind.machine,
                 {{3, "EM_386 (3)"},
                  {40, "EM_ARM (40)"},
                  {62, "EM_X86_64 (62)"},
                  {183, "EM_AARCH64 (183)"}},
                 "e_machine") +
           " and " +
           Named(kind.elfType, {{1, "ET_REL"}, {2, "ET_EXEC"}, {3, "ET_DYN"}, {4, "ET_CORE"}},
                 "e_type");
}

// True when `kind` runs on `platform`'s machine: a PE for its machine, or a 64-bit
// little-endian ELF for it.
bool RunsOn(const LibraryKind& kind, const Platform& platform) {
    return kind.format == platform.format && kind.machine == platform.machine &&
           (kind.format == Format::Pe ||
            (kind.elfClass == kElfClass64 && kind.elfData == kElfDataLittleEndian));
}

}  // namespace

std::string ReadAt(std::istream& in, std::uint64_t offset, std::uint64_t size) {
    std::string bytes(size, '\0');
    in.seekg(std::streamoff(offset));
    in.read(bytes.data(), std::streamsize(size));
    if (std::uint64_t(in.gcount()) != size) {
        throw PeFileError("cannot be read");
    }
    return bytes;
}

PeFileHeader ReadPeFileHeader(std::istream& in, std::uint64_t fileSize) {
    const std::string start = ReadAt(in, 0, std::min<std::uint64_t>(fileSize, 64));
    if (start.size() < 64 || !start.starts_with("MZ")) {
        throw PeFileError("is not a Windows program (no MZ header)");
    }
    const std::uint32_t at = Get32(start, 0x3C);
    if (at % 4 != 0 || std::uint64_t(at) + 24 > fileSize) {
        throw PeFileError("is cut short: its PE header lies past the end of the file");
    }
    const std::string header = ReadAt(in, at, 24);
    if (!header.starts_with(std::string_view("PE\0\0", 4))) {
        throw PeFileError("is not a Windows program (no PE signature)");
    }
    return {at, Get16(header, 4), Get16(header, 6), Get16(header, 20), Get16(header, 22)};
}

LibraryKind ReadLibraryKind(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::error_code error;
    const std::uint64_t size = fs::file_size(file, error);
    if (!in || error) {
        return {.format = Format::Unreadable};
    }
    std::string start(20, '\0');
    in.read(start.data(), std::streamsize(start.size()));
    if (in.gcount() == std::streamsize(start.size()) && start.starts_with("\x7F"
                                                                          "ELF")) {
        LibraryKind kind{.format = Format::Elf};
        kind.elfClass = std::uint8_t(start[4]);
        kind.elfData = std::uint8_t(start[5]);
        auto field = [&](std::size_t at) {
            const std::uint16_t little = Get16(start, at);
            return kind.elfData == kElfDataLittleEndian ? little
                                                        : std::uint16_t(little >> 8 | little << 8);
        };
        kind.elfType = field(16);
        kind.machine = field(18);
        return kind;
    }
    try {
        const PeFileHeader header = ReadPeFileHeader(in, size);
        return {.format = Format::Pe,
                .machine = header.machine,
                .dll = (header.characteristics & kImageFileDll) != 0};
    } catch (const PeFileError&) {
        return {.format = Format::Unknown};
    }
}

std::optional<std::string> ProgramPlatform(const LibraryKind& program) {
    for (const Platform& platform : kPlatforms) {
        if (RunsOn(program, platform)) {
            return std::string(platform.name);
        }
    }
    return std::nullopt;
}

std::optional<std::string> LibraryKindMismatch(const LibraryKind& library,
                                               std::string_view platform) {
    const auto found = std::find_if(kPlatforms.begin(), kPlatforms.end(),
                                    [&](const Platform& p) { return p.name == platform; });
    if (found == kPlatforms.end()) {
        throw std::invalid_argument("no extension platform \"" + std::string(platform) + "\"");
    }
    const bool isLibrary =
        library.format == Format::Pe ? library.dll : library.elfType == kElfSharedObject;
    if (RunsOn(library, *found) && isLibrary) {
        return std::nullopt;
    }
    return Described(library) + ", but \"" + std::string(platform) + "\" needs " +
           std::string(found->library);
}

}  // namespace tessaly::tool
