// What kind of program or library a file holds (a Windows PE image or an ELF file, and for which
// machine), read from its first headers only: enough to tell which platform can load it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tessaly::tool {

// Why a file is not the PE image it should be, or cannot be read or rewritten as one; the text
// says so for a person.
class PeFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The COFF file header of a PE image, which follows its "PE\0\0" signature.
struct PeFileHeader {
    std::uint32_t at = 0;  // offset of the signature in the file
    std::uint16_t machine = 0;
    std::uint16_t sectionCount = 0;
    std::uint16_t optionalHeaderSize = 0;
    std::uint16_t characteristics = 0;
};

// `size` bytes of `in` from `offset`; throws PeFileError when the file ends before.
std::string ReadAt(std::istream& in, std::uint64_t offset, std::uint64_t size);

// Reads the MZ header and the file header it leads to from `in`, a file of `fileSize` bytes.
// Throws PeFileError for a file that is not a PE image or is cut short before that header.
PeFileHeader ReadPeFileHeader(std::istream& in, std::uint64_t fileSize);

struct LibraryKind {
    enum class Format { Unreadable, Unknown, Pe, Elf } format = Format::Unknown;
    std::uint16_t machine = 0;  // PE: the file header's Machine; ELF: e_machine
    // PE only: IMAGE_FILE_DLL is set.
    bool dll = false;
    // ELF only: e_ident's EI_CLASS and EI_DATA, and e_type.
    std::uint8_t elfClass = 0;
    std::uint8_t elfData = 0;
    std::uint16_t elfType = 0;
};

// Reads the headers at the start of `file`.
LibraryKind ReadLibraryKind(const std::filesystem::path& file);

// The extension platform whose programs `program` is one of ("windows-x86", "windows-x64",
// "linux-x64"), whether or not it is a library; nothing for another machine or no program.
std::optional<std::string> ProgramPlatform(const LibraryKind& program);

// Why `library` cannot be loaded on `platform`, which is one of the three above: what it is and
// what the platform needs. Nothing when it fits.
std::optional<std::string> LibraryKindMismatch(const LibraryKind& library,
                                               std::string_view platform);

}  // namespace tessaly::tool
