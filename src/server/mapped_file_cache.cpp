#include "server/mapped_file_cache.h"

#include <utility>

namespace tessaly {

FileView& FileView::operator=(FileView&& other) noexcept {
    if (this != &other) {
        Release();
        files_ = std::exchange(other.files_, nullptr);
        base_ = std::exchange(other.base_, nullptr);
        length_ = std::exchange(other.length_, 0);
        data_ = std::exchange(other.data_, nullptr);
    }
    return *this;
}

void FileView::Release() {
    if (files_ && base_) {
        files_->UnmapView(base_, length_);
    }
    files_ = nullptr;
    base_ = data_ = nullptr;
    length_ = 0;
}

MappedFile::~MappedFile() {
    if (!open_) {
        return;
    }
    if (wholeView_) {
        files_.UnmapView(wholeView_, std::size_t(opened_.size));
    }
    files_.Close(opened_);
}

bool MappedFile::Open(const std::u16string& path) {
    const std::optional<FileMapping> opened = files_.Open(path);
    if (!opened) {
        return false;
    }
    if (opened->size <= kWholeViewLimit) {
        wholeView_ = files_.MapView(*opened, 0, std::size_t(opened->size));
        if (!wholeView_) {
            files_.Close(*opened);
            return false;
        }
    }
    opened_ = *opened;
    open_ = true;
    return true;
}

FileView MappedFile::View(std::uint64_t offset, std::size_t length) const {
    if (wholeView_) {
        return FileView(nullptr, wholeView_, 0, wholeView_ + offset);
    }
    const std::uint64_t start = offset - offset % kViewAlignment;
    const auto lead = std::size_t(offset - start);
    const std::byte* base = files_.MapView(opened_, start, lead + length);
    return base ? FileView(&files_, base, lead + length, base + lead) : FileView();
}

std::shared_ptr<const MappedFile> MappedFileCache::GetMappedFile(std::u16string_view key,
                                                                 const std::u16string& filePath) {
    if (const auto hit = entries_.find(key); hit != entries_.end()) {
        return hit->second;
    }
    // Made before anything is opened, so that an allocation failing on the way leaves no
    // handle behind: whatever Open took is let go with the object.
    auto file = std::make_shared<MappedFile>(files_);
    if (!file->Open(filePath)) {
        return nullptr;
    }
    entries_.emplace(std::u16string(key), file);
    return file;
}

void MappedFileCache::ReleaseMappedFiles() {
    for (auto& [key, file] : entries_) {
        file.reset();
    }
    entries_.clear();
}

}  // namespace tessaly
