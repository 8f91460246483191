// `tessaly check`: everything that would keep an app from working as the Windows program.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "config/package_settings.h"
#include "tessaly/diagnostics.h"

namespace tessaly::tool {

struct CheckResult {
    std::vector<Diagnostic> diagnostics;
    // What the program loads from package.json, when the load succeeds.
    std::optional<PackageSettings> settings;
};

// Loads APP/package.json with the program's own loader and looks at everything the program
// will use: the document, the start page, the icon, the fixed runtime folder and every name
// under www/. Never changes the app.
CheckResult CheckApp(const std::filesystem::path& app);

// The icon's path relative to the app folder with '/' between names, when the package names
// one; nothing when it names none. The program joins the value to its own folder as it is, so a
// value that is absolute or climbs out with ".." is reported by CheckApp.
std::optional<std::string> IconPath(const PackageSettings& settings);

// The files under `folder` in the order they are found, as the program's content server and
// `pack` see them; links to folders and other special entries are reported, not followed.
struct FolderEntry {
    std::filesystem::path path;
    std::string relative;  // UTF-8, '/' between names; empty when not valid Unicode
    enum class Kind { File, Folder, FolderLink, Special } kind = Kind::File;
    std::uintmax_t size = 0;  // files only
};
// Sorted by relative name. Throws std::filesystem::filesystem_error when a folder cannot be read.
std::vector<FolderEntry> ListFolder(const std::filesystem::path& folder);

}  // namespace tessaly::tool
