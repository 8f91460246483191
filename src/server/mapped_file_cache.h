// Whole-file views for partial answers, each file mapped once per request path and kept until
// the cache is released.
#pragma once

#include <cstddef>
#include <map>
#include <span>
#include <string>
#include <string_view>

#include "server/file_access.h"

namespace tessaly {

class MappedFileCache {
  public:
    explicit MappedFileCache(FileAccess& files) : files_(files) {}
    ~MappedFileCache() { ReleaseMappedFiles(); }
    MappedFileCache(const MappedFileCache&) = delete;
    MappedFileCache& operator=(const MappedFileCache&) = delete;

    // The view of the whole file for `key` (a request path, compared unit by unit, case and
    // all). On a miss, `filePath` is mapped and kept under a copy of the key; a failure keeps
    // nothing, so the next request tries again. An empty span means the file cannot be mapped.
    std::span<const std::byte> GetMappedView(std::u16string_view key,
                                             const std::u16string& filePath);

    // Releases every entry once, in key order, and empties the cache.
    void ReleaseMappedFiles();

    std::size_t size() const { return entries_.size(); }

  private:
    FileAccess& files_;
    std::map<std::u16string, MappedFile, std::less<>> entries_;
};

// The process-wide cache over the platform's file access.
MappedFileCache& MappedFiles();

// Releases the process-wide cache; the start-up sequence calls it once after the message loop.
void ReleaseMappedFiles();

}  // namespace tessaly
