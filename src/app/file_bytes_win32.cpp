#include <sys/stat.h>

#include <cstdio>

#include "app/file_bytes.h"
#include "app/wide_cast.h"

namespace tessaly {

std::string ReadFileBytes(const std::u16string& path) {
    // "S" hints sequential access to the C runtime's file cache.
    FILE* file = _wfopen(AsWide(path), L"rbS");
    if (!file) {
        return {};
    }
    std::string bytes;
    struct _stat64 status;
    if (_wstat64(AsWide(path), &status) == 0 && (status.st_mode & _S_IFREG) &&
        std::uint64_t(status.st_size) < kMaxWholeFileBytes && status.st_size > 0) {
        bytes.assign(std::size_t(status.st_size), '\0');
        // A short read leaves zero bytes at the end; the length always matches the size.
        (void)std::fread(bytes.data(), bytes.size(), 1, file);
    }
    std::fclose(file);
    return bytes;
}

}  // namespace tessaly
