// The files that partial answers are copied from, each opened and mapped once per request path
// and kept until the cache is released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "server/file_access.h"

namespace tessaly {

// Files up to this size keep one view of all of their bytes for as long as they are cached, so
// the many small range requests of sprites, sounds and short clips cost no system call. Larger
// files are viewed one span at a time, which bounds the address space the cache takes whatever
// the files' sizes: the views of the small files, plus one span per answer being read.
inline constexpr std::uint64_t kWholeViewLimit = std::uint64_t{16} << 20;

// A view of some bytes of a MappedFile, released when it goes.
class FileView {
  public:
    FileView() = default;
    FileView(FileAccess* files, const std::byte* base, std::size_t length, const std::byte* data)
        : files_(files), base_(base), length_(length), data_(data) {}
    FileView(FileView&& other) noexcept { *this = std::move(other); }
    FileView& operator=(FileView&& other) noexcept;
    ~FileView() { Release(); }

    explicit operator bool() const { return data_ != nullptr; }
    // The first byte asked for.
    const std::byte* data() const { return data_; }

  private:
    void Release();

    FileAccess* files_ = nullptr;  // null for a part of a view that someone else releases
    const std::byte* base_ = nullptr;
    std::size_t length_ = 0;
    const std::byte* data_ = nullptr;
};

// One cached file: open for reading while others may only read it too, with its mapping. A
// file of at most kWholeViewLimit bytes also keeps a view of all of it.
class MappedFile {
  public:
    explicit MappedFile(FileAccess& files) : files_(files) {}
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Opens and maps `path`; false, with nothing kept open, when any step fails.
    bool Open(const std::u16string& path);

    std::uint64_t size() const { return opened_.size; }

    // A view of `length` bytes from `offset`, which must lie inside the file; an empty view
    // when it cannot be made. Safe on any thread.
    FileView View(std::uint64_t offset, std::size_t length) const;

    // How many bytes a compressed file decodes to, once the content server has measured it.
    // The server answers one request at a time, so this needs no lock; readers never touch it.
    std::optional<std::uint64_t> decodedSize() const { return decodedSize_; }
    void RememberDecodedSize(std::uint64_t size) const { decodedSize_ = size; }

  private:
    FileAccess& files_;
    mutable std::optional<std::uint64_t> decodedSize_;
    FileMapping opened_;
    bool open_ = false;
    const std::byte* wholeView_ = nullptr;
};

class MappedFileCache {
  public:
    explicit MappedFileCache(FileAccess& files) : files_(files) {}
    MappedFileCache(const MappedFileCache&) = delete;
    MappedFileCache& operator=(const MappedFileCache&) = delete;

    // The file for `key` (a request path, compared unit by unit, case and all). On a miss,
    // `filePath` is opened and kept under a copy of the key; a failure keeps nothing, so the
    // next request tries again. Null when the file cannot be opened or mapped. Answers that are
    // still being read hold their own reference, so a file outlives its entry until they end.
    std::shared_ptr<const MappedFile> GetMappedFile(std::u16string_view key,
                                                    const std::u16string& filePath);

    // Lets every entry go, in key order, and empties the cache.
    void ReleaseMappedFiles();

    std::size_t size() const { return entries_.size(); }

  private:
    FileAccess& files_;
    std::map<std::u16string, std::shared_ptr<const MappedFile>, std::less<>> entries_;
};

// The process-wide cache over the platform's file access.
MappedFileCache& MappedFiles();

// Releases the process-wide cache; the start-up sequence calls it once after the message loop.
void ReleaseMappedFiles();

}  // namespace tessaly
