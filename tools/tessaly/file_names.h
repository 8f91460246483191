// File names as Windows and the program see them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tessaly::tool {

// `path` relative to `base` as UTF-8 with '/' between the names, or nothing when a name in it
// is not valid Unicode (Windows cannot hold such a name, and the program could not be asked
// for it).
std::optional<std::string> RelativeName(const std::filesystem::path& path,
                                        const std::filesystem::path& base);

// Why Windows cannot hold `relative` (UTF-8, '/' between names) as a file the program serves,
// naming the first name at fault; empty when it can. The rule is the content server's own.
std::string WindowsNameProblem(std::string_view relative);

// `name` with A-Z folded to a-z: two names with the same folded form are one file on Windows.
// Windows folds letters beyond ASCII too; names that differ only there are not caught.
std::string FoldedName(std::string_view name);

// The program's file name, ".exe" included, made from the package's "name": characters Windows
// forbids become '_', dots and spaces at the end and spaces at the start go, a device name such
// as CON gets a '_' after it, a long name is cut, and a name with nothing left is "app".
std::u16string ProgramFileName(std::u16string_view name);

// The path as UTF-8 text, for messages and archive entries.
std::string Utf8Path(const std::filesystem::path& path);

// A path from UTF-8 text.
std::filesystem::path PathFromUtf8(std::string_view text);

}  // namespace tessaly::tool
