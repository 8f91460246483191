// `tessaly check` of the native extensions a package lists, without loading any of them.
#pragma once

#include <filesystem>
#include <vector>

#include "base/json_read.h"
#include "config/package_settings.h"
#include "tessaly/diagnostics.h"

namespace tessaly::tool {

// Adds to `diagnostics` what the "extensions" of `root` (package.json's top-level value, from
// which `settings` were loaded) hold wrong. Errors: what keeps an extension from loading on a
// platform it lists (a bad or repeated name, a path outside the app, a missing file, a file
// that is not that platform's library), for every listed platform. Warnings: what the program
// silently leaves out (a list that is no array, an item that is no object, a path that is no
// string, a member it does not read, an item without any platform).
void CheckExtensions(const std::filesystem::path& app, const Json& root,
                     const PackageSettings& settings, std::vector<Diagnostic>& diagnostics);

}  // namespace tessaly::tool
