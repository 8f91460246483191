#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/text.h"
#include "server/file_access.h"

// Offsets past 2 GiB must reach mmap whole.
static_assert(sizeof(off_t) >= 8, "build with _FILE_OFFSET_BITS=64");

namespace tessaly {
namespace {

class PosixFileAccess final : public FileAccess {
  public:
    FileStatus Status(const std::u16string& path) override {
        struct stat status;
        if (stat(WideToUtf8(path).c_str(), &status) != 0) {
            return {};
        }
        if (!S_ISREG(status.st_mode)) {
            return {FileKind::Other, 0};
        }
        return {FileKind::RegularFile, std::uint64_t(status.st_size)};
    }

    std::optional<FileMapping> Open(const std::u16string& path) override {
        const int fd = open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return std::nullopt;
        }
        struct stat status;
        if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0) {
            close(fd);
            return std::nullopt;
        }
        // POSIX maps from the descriptor itself; there is no mapping handle.
        return FileMapping{std::uintptr_t(fd), 0, std::uint64_t(status.st_size)};
    }

    const std::byte* MapView(const FileMapping& file, std::uint64_t offset,
                             std::size_t length) override {
        void* view = mmap(nullptr, length, PROT_READ, MAP_SHARED, int(file.file), off_t(offset));
        return view == MAP_FAILED ? nullptr : static_cast<const std::byte*>(view);
    }

    void UnmapView(const std::byte* view, std::size_t length) override {
        munmap(const_cast<std::byte*>(view), length);
    }

    void Close(const FileMapping& file) override { close(int(file.file)); }
};

}  // namespace

FileAccess& PlatformFileAccess() {
    static PosixFileAccess* const files = new PosixFileAccess;
    return *files;
}

}  // namespace tessaly
