// The file-system operations the content server needs. The platform supplies the real ones
// (Win32 or POSIX); tests and fuzzers put recording or in-memory ones in their place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
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

// A read-only view of a whole file, with what must be released when it is no longer needed.
// The handles are the platform's own (a Win32 HANDLE, a POSIX descriptor).
struct MappedFile {
    std::uintptr_t file = 0;
    std::uintptr_t mapping = 0;
    std::span<const std::byte> view;
};

class FileAccess {
  public:
    virtual ~FileAccess() = default;
    // What `path` names, with a 64-bit size.
    virtual FileStatus Status(const std::u16string& path) = 0;
    // Opens `path` for reading, sharing it for reading only, and maps a view of the whole
    // file; nothing when any step fails (a file of no bytes cannot be mapped).
    virtual std::optional<MappedFile> Map(const std::u16string& path) = 0;
    // Releases the view, then the mapping, then the file.
    virtual void Unmap(const MappedFile& file) = 0;
};

// The platform's own file access; one per process, with no state of its own.
FileAccess& PlatformFileAccess();

}  // namespace tessaly
