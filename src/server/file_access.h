// The file-system operations the content server needs. The platform supplies the real ones
// (Win32 or POSIX); tests and fuzzers put recording or in-memory ones in their place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tessaly {

enum class FileKind {
    Missing,      // nothing of that name, or it cannot be queried
    RegularFile,  // a file whose bytes can be served
    Other,        // a folder, device or anything else that is not served
};

struct FileStatus {
    FileKind kind = FileKind::Missing;
    std::uint64_t size = 0;  // bytes, for a regular file
};

// A file open for reading with a read-only mapping of all of it, from which views of any part
// can be made. The handles are the platform's own (a Win32 HANDLE, a POSIX descriptor).
struct FileMapping {
    std::uintptr_t file = 0;
    std::uintptr_t mapping = 0;
    std::uint64_t size = 0;  // fixed for as long as the file is open
};

// Every view starts at a multiple of this: Windows' allocation granularity, which is also a
// multiple of every page size that POSIX systems use.
inline constexpr std::uint64_t kViewAlignment = std::uint64_t{64} << 10;

class FileAccess {
  public:
    virtual ~FileAccess() = default;
    // What `path` names, with a 64-bit size.
    virtual FileStatus Status(const std::u16string& path) = 0;
    // Opens `path` for reading, sharing it for reading only, and maps all of it; nothing when
    // any step fails (a file of no bytes cannot be mapped).
    virtual std::optional<FileMapping> Open(const std::u16string& path) = 0;
    // A read-only view of `length` bytes from `offset`, a multiple of kViewAlignment, inside
    // the file; null when it cannot be made (no address space left, for one).
    virtual const std::byte* MapView(const FileMapping& file, std::uint64_t offset,
                                     std::size_t length) = 0;
    virtual void UnmapView(const std::byte* view, std::size_t length) = 0;
    // Releases the mapping, then the file.
    virtual void Close(const FileMapping& file) = 0;
};

// The platform's own file access; one per process, with no state of its own, never destroyed
// (views may still be released while the process ends).
FileAccess& PlatformFileAccess();

}  // namespace tessaly
