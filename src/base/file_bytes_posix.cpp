#include <sys/stat.h>

#include "base/file_bytes.h"
#include "base/text.h"

namespace tessaly {

OpenedFile OpenForReading(const std::u16string& path) {
    FILE* file = std::fopen(WideToUtf8(path).c_str(), "rb");
    struct stat status;
    // Unlike Windows, a folder opens here; only regular files have a size worth reading.
    const bool regular = file && fstat(fileno(file), &status) == 0 && S_ISREG(status.st_mode);
    return {file, regular ? std::uint64_t(status.st_size) : 0};
}

}  // namespace tessaly
