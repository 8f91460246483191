#include <sys/stat.h>

#include <cstdio>

#include "app/file_bytes.h"
#include "app/text.h"

namespace tessaly {

std::string ReadFileBytes(const std::u16string& path) {
    FILE* file = std::fopen(WideToUtf8(path).c_str(), "rb");
    if (!file) {
        return {};
    }
    std::string bytes;
    struct stat status;
    // Unlike Windows, a folder opens here; only regular files are read.
    if (fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode) &&
        std::uint64_t(status.st_size) < kMaxWholeFileBytes && status.st_size > 0) {
        bytes.assign(std::size_t(status.st_size), '\0');
        // A short read leaves zero bytes at the end; the length always matches the size.
        (void)std::fread(bytes.data(), bytes.size(), 1, file);
    }
    std::fclose(file);
    return bytes;
}

}  // namespace tessaly
