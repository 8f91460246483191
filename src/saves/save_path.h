// The paths the page names its save files by: relative, '/'-separated, UTF-8. The rules keep
// every path inside the app's save folder and make the same names valid on Windows and Linux,
// so saves move between the two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/failure.h"

namespace tessaly {

inline constexpr std::size_t kMaxSaveNameBytes = 255;
inline constexpr std::size_t kMaxSaveSegments = 32;
// The largest file the page may write or read.
inline constexpr std::uint64_t kMaxSaveFileBytes = 16 * 1024 * 1024;

// Names the program gives the temporary files of writes in progress. No save path may use it,
// so a leftover of an interrupted write is never mistaken for a save, nor a save for one.
inline constexpr std::string_view kPartialWritePrefix = ".tessaly-partial-";

// A checked path: its names, outermost first; none for the save folder itself.
using SavePath = std::vector<std::string>;

// The path's names, or an InvalidPath failure saying why it is refused. The empty path is
// refused unless `folderItselfAllowed`.
Outcome<SavePath> ParseSavePath(std::string_view path, bool folderItselfAllowed);

// Whether `name` is the temporary file of a write.
bool IsPartialWriteName(std::string_view name);

// A fresh name for a temporary file of the process `processId`: the prefix, the process id in
// decimal, '-' and a counter in hex, so that no two writes, in this process or another, share it.
std::string NewPartialWriteName(std::uint32_t processId);

// The id of the process that named the temporary file `name`, so that the start-up sweep can
// leave the writes of a program still running alone; none for a name of another shape or with
// an id that no process can have.
std::optional<std::uint32_t> PartialWriteOwner(std::string_view name);

// The path's first `count` names joined by '/', as messages name it.
std::string SavePathText(const SavePath& path, std::size_t count);

// Whether `name` can be the save folder's own name: a single name ParseSavePath accepts.
bool IsUsableSaveFolderName(std::string_view name);

}  // namespace tessaly
