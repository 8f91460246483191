// Reading a whole file into memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tessaly {

// Files this large or larger are never read whole: the result would not fit a 32-bit size.
inline constexpr std::uint64_t kMaxWholeFileBytes = std::uint64_t{1} << 31;

// The whole file as bytes, NUL bytes included. Empty when the file cannot be opened, is not a
// regular file, its size cannot be read, or it holds kMaxWholeFileBytes or more.
// The path is UTF-16 on every platform; elsewhere than Windows it is converted to UTF-8.
std::string ReadFileBytes(const std::u16string& path);

// The platform's part of ReadFileBytes: the file opened for binary reading (null when it cannot
// be), and its size in bytes when it is a regular file whose size could be read, 0 otherwise.
struct OpenedFile {
    std::FILE* file;
    std::uint64_t regularFileSize;
};
OpenedFile OpenForReading(const std::u16string& path);

}  // namespace tessaly
