// A FileAccess that passes every call on to another one, or answers it from memory, and
// records what it was asked.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "server/file_access.h"

namespace tessaly::test {

class RecordingFileAccess : public FileAccess {
  public:
    // Passes calls on to `real`; without one, answers from the files added with Add.
    explicit RecordingFileAccess(FileAccess* real = nullptr) : real_(real) {}

    void Add(const std::u16string& path, std::string bytes) { files_[path] = std::move(bytes); }
    // A file of any size, larger than the address space if need be, whose bytes are made up as
    // they are viewed: MadeUpBytes(offset, count).
    void AddMadeUp(const std::u16string& path, std::uint64_t size) { madeUp_[path] = size; }

    // Byte N of a made-up file is N % 251: 2^32 is no multiple of 251, so a view from an offset
    // cut to 32 bits shows other bytes.
    static std::string MadeUpBytes(std::uint64_t offset, std::size_t count) {
        std::string bytes(count, '\0');
        for (std::size_t i = 0; i < count; ++i) {
            bytes[i] = char((offset + i) % 251);
        }
        return bytes;
    }

    FileStatus Status(const std::u16string& path) override {
        statusPaths.push_back(path);
        FileStatus status;
        if (real_) {
            status = real_->Status(path);
        } else if (const auto file = files_.find(path); file != files_.end()) {
            status = {FileKind::RegularFile, file->second.size()};
        } else if (const auto madeUp = madeUp_.find(path); madeUp != madeUp_.end()) {
            status = {FileKind::RegularFile, madeUp->second};
        }
        if (status.kind == FileKind::RegularFile) {
            status.size += shrinkBy;
        }
        return status;
    }

    std::optional<FileMapping> Open(const std::u16string& path) override {
        openPaths.push_back(path);
        if (failOpens) {
            return std::nullopt;
        }
        if (real_) {
            return real_->Open(path);
        }
        if (const auto madeUp = madeUp_.find(path); madeUp != madeUp_.end()) {
            return FileMapping{++handles_, kMadeUp, madeUp->second};
        }
        const auto file = files_.find(path);
        if (file == files_.end() || file->second.empty()) {
            return std::nullopt;
        }
        // The mapping handle says which file it maps.
        return FileMapping{++handles_, reinterpret_cast<std::uintptr_t>(&file->second),
                           file->second.size()};
    }

    const std::byte* MapView(const FileMapping& file, std::uint64_t offset,
                             std::size_t length) override {
        views.push_back({offset, length});
        if (failViews) {
            return nullptr;
        }
        ++openViews;
        if (real_) {
            return real_->MapView(file, offset, length);
        }
        // A copy of its own, as a real view is memory apart from every other view.
        const auto* bytes = reinterpret_cast<const std::string*>(file.mapping);
        auto view = std::make_unique<std::string>(file.mapping == kMadeUp
                                                      ? MadeUpBytes(offset, length)
                                                      : bytes->substr(std::size_t(offset), length));
        const auto* data = reinterpret_cast<const std::byte*>(view->data());
        views_[data] = std::move(view);
        return data;
    }

    void UnmapView(const std::byte* view, std::size_t length) override {
        --openViews;
        if (real_) {
            real_->UnmapView(view, length);
        } else {
            views_.erase(view);
        }
    }

    void Close(const FileMapping& file) override {
        closed.push_back(file.file);
        if (real_) {
            real_->Close(file);
        }
    }

    // The handle the next in-memory open starts after.
    std::uintptr_t handlesMade() const { return handles_; }

    struct ViewRequest {
        std::uint64_t offset;
        std::size_t length;
        friend bool operator==(const ViewRequest&, const ViewRequest&) = default;
    };

    bool failOpens = false;
    std::uint64_t shrinkBy = 0;  // files shrink by this much between Status and Open
    bool failViews = false;
    std::vector<std::u16string> statusPaths;
    std::vector<std::u16string> openPaths;
    std::vector<ViewRequest> views;
    int openViews = 0;  // made and not yet unmapped
    std::vector<std::uintptr_t> closed;

  private:
    static constexpr std::uintptr_t kMadeUp = 0;  // the mapping handle of a made-up file

    FileAccess* real_;
    std::map<std::u16string, std::string> files_;
    std::map<std::u16string, std::uint64_t> madeUp_;
    std::map<const std::byte*, std::unique_ptr<std::string>> views_;
    std::uintptr_t handles_ = 0;
};

}  // namespace tessaly::test
