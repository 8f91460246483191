// The rules for the extensions a package lists, shared by the program, which loads them, and by
// `tessaly check`, which reports what would keep one from loading.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/package_settings.h"

namespace tessaly {

// The platform whose libraries this program loads: "windows-x86", "windows-x64", "linux-x64"...
std::string ExtensionPlatform();

// Letters, digits, '-' and '_', at least one.
bool IsExtensionName(std::u16string_view name);

// The library path as the program joins it to the app folder: backslashes read as slashes.
std::u16string ExtensionLibraryPath(std::u16string_view written);

// Why entry `index` can never be loaded, whatever its files hold: a bad name, a name an earlier
// entry has, or a path for `platform` that is not a plain path inside the app folder (the rules
// of the files the program serves). Nothing when it may be loaded.
std::optional<std::string> ExtensionEntryProblem(const std::vector<ExtensionEntry>& entries,
                                                 std::size_t index, std::string_view platform);

}  // namespace tessaly
