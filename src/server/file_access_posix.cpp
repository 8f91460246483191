#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "app/text.h"
#include "server/file_access.h"

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

    std::optional<MappedFile> Map(const std::u16string& path) override {
        const int fd = open(WideToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return std::nullopt;
        }
        struct stat status;
        if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size <= 0 ||
            std::uint64_t(status.st_size) > SIZE_MAX) {
            close(fd);
            return std::nullopt;
        }
        const auto size = std::size_t(status.st_size);
        void* view = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        if (view == MAP_FAILED) {
            close(fd);
            return std::nullopt;
        }
        // POSIX has no mapping handle; the descriptor stays open like the Windows file handle.
        return MappedFile{std::uintptr_t(fd), 0, {static_cast<const std::byte*>(view), size}};
    }

    void Unmap(const MappedFile& file) override {
        munmap(const_cast<std::byte*>(file.view.data()), file.view.size());
        close(int(file.file));
    }
};

}  // namespace

FileAccess& PlatformFileAccess() {
    static PosixFileAccess files;
    return files;
}

}  // namespace tessaly
