#include "base/file_bytes.h"

namespace tessaly {

std::string ReadFileBytes(const std::u16string& path) {
    const OpenedFile opened = OpenForReading(path);
    if (!opened.file) {
        return {};
    }
    std::string bytes;
    if (opened.regularFileSize > 0 && opened.regularFileSize < kMaxWholeFileBytes) {
        bytes.assign(std::size_t(opened.regularFileSize), '\0');
        // A short read leaves zero bytes at the end; the length always matches the size.
        (void)std::fread(bytes.data(), bytes.size(), 1, opened.file);
    }
    std::fclose(opened.file);
    return bytes;
}

}  // namespace tessaly
