#include "base/paths.h"

namespace tessaly {

std::u16string FolderOf(std::u16string_view path) {
    const auto slash = path.rfind(u'\\');
    if (slash == std::u16string_view::npos) {
        return std::u16string(path);
    }
    return std::u16string(path.substr(0, slash + 1));
}

std::u16string UserDataFolderFor(std::u16string_view localAppData, std::u16string_view name) {
    std::u16string folder(localAppData);
    folder += u'\\';
    folder += name;
    return folder;
}

std::u16string ReadWithGrowingBuffer(const BufferQuery& query, std::uint32_t initialSize) {
    std::u16string buffer(initialSize, u'\0');
    for (;;) {
        const std::uint32_t count = query(buffer.data(), std::uint32_t(buffer.size()));
        if (count == 0) {
            return {};
        }
        if (count < buffer.size()) {
            buffer.resize(count);
            return buffer;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace tessaly
