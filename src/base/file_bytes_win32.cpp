#include <sys/stat.h>

#include "base/file_bytes.h"
#include "base/wide_cast.h"

namespace tessaly {

OpenedFile OpenForReading(const std::u16string& path) {
    // "S" hints sequential access to the C runtime's file cache.
    FILE* file = _wfopen(AsWide(path), L"rbS");
    struct _stat64 status;
    const bool regular = file && _wstat64(AsWide(path), &status) == 0 &&
                         (status.st_mode & _S_IFREG) && status.st_size >= 0;
    return {file, regular ? std::uint64_t(status.st_size) : 0};
}

}  // namespace tessaly
