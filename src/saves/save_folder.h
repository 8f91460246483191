// The app's save folder on disk: the file operations behind the page's files API, one
// implementation per platform. Paths are already checked (ParseSavePath). Nothing here follows a
// link: a link inside the folder can never lead out of it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"
#include "saves/save_path.h"

namespace tessaly {

// Why a path through a link is refused.
inline constexpr std::string_view kLinkRefused = "is a link, which is never followed";

struct SaveEntry {
    std::string name;
    bool isFolder = false;
    std::uint64_t size = 0;       // 0 for a folder
    std::int64_t modifiedMs = 0;  // milliseconds since 1970
};

class SaveFolder {
  public:
    virtual ~SaveFolder() = default;

    // Replaces the file's content in one step: the bytes go to a temporary file beside it, are
    // flushed to disk, and then take the file's place, so a crash at any moment leaves the old
    // content or the new. Makes the save folder and the folders on the way.
    virtual std::optional<Failure> Write(const SavePath& path, std::string_view bytes) = 0;
    // The whole file; TooLarge when it holds more than `limit` bytes.
    virtual Outcome<std::string> Read(const SavePath& path, std::uint64_t limit) = 0;
    // The files and folders in a folder (the save folder itself for an empty path), without the
    // temporary files of writes and without links; in no particular order.
    virtual Outcome<std::vector<SaveEntry>> List(const SavePath& path) = 0;
    // Removes a file or an empty folder.
    virtual std::optional<Failure> Remove(const SavePath& path) = 0;
    // Whether a file or a folder is there.
    virtual Outcome<bool> Exists(const SavePath& path) = 0;
    // Removes the temporary files that interrupted writes left, in the whole folder, but not
    // those of other programs still running. Called before the first write, so that a file
    // named with this program's own process id is taken for one of an earlier program.
    virtual void RemovePartialWrites() = 0;
};

// The folder at `root` (absolute, ending in the platform's separator); made when first written.
std::unique_ptr<SaveFolder> OpenSaveFolder(const std::u16string& root);

}  // namespace tessaly
