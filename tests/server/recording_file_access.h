// A FileAccess that passes every call on to another one, or answers it from memory, and
// records what it was asked.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "server/file_access.h"

namespace tessaly::test {

class RecordingFileAccess : public FileAccess {
  public:
    // Passes calls on to `real`; without one, answers from the files added with Add.
    explicit RecordingFileAccess(FileAccess* real = nullptr) : real_(real) {}

    void Add(const std::u16string& path, std::string bytes) { files_[path] = std::move(bytes); }

    FileStatus Status(const std::u16string& path) override {
        statusPaths.push_back(path);
        if (real_) {
            return real_->Status(path);
        }
        const auto file = files_.find(path);
        return file == files_.end() ? FileStatus{}
                                    : FileStatus{FileKind::RegularFile, file->second.size()};
    }

    std::optional<MappedFile> Map(const std::u16string& path) override {
        mapPaths.push_back(path);
        if (failMaps) {
            return std::nullopt;
        }
        if (real_) {
            return real_->Map(path);
        }
        const auto file = files_.find(path);
        if (file == files_.end() || file->second.empty()) {
            return std::nullopt;
        }
        const auto* data = reinterpret_cast<const std::byte*>(file->second.data());
        return MappedFile{++handles_, ++handles_, {data, file->second.size()}};
    }

    void Unmap(const MappedFile& file) override {
        unmapped.push_back(file.view.data());
        if (real_) {
            real_->Unmap(file);
        }
    }

    bool failMaps = false;
    std::vector<std::u16string> statusPaths;
    std::vector<std::u16string> mapPaths;
    std::vector<const std::byte*> unmapped;

  private:
    FileAccess* real_;
    std::map<std::u16string, std::string> files_;
    std::uintptr_t handles_ = 0;
};

}  // namespace tessaly::test
