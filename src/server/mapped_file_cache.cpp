#include "server/mapped_file_cache.h"

namespace tessaly {

std::span<const std::byte> MappedFileCache::GetMappedView(std::u16string_view key,
                                                          const std::u16string& filePath) {
    if (const auto hit = entries_.find(key); hit != entries_.end()) {
        return hit->second.view;
    }
    const auto mapped = files_.Map(filePath);
    if (!mapped) {
        return {};
    }
    entries_.emplace(std::u16string(key), *mapped);
    return mapped->view;
}

void MappedFileCache::ReleaseMappedFiles() {
    for (const auto& [key, mapped] : entries_) {
        files_.Unmap(mapped);
    }
    entries_.clear();
}

}  // namespace tessaly
