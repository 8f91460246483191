// The app's installer: a per-user NSIS setup program, compiled by Debian's makensis.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tessaly/version_info.h"

namespace tessaly::tool {

struct InstalledItem {
    std::filesystem::path source;  // empty for a folder
    std::string destination;       // relative to the install folder, UTF-8, '/' between names
};

struct InstallerSpec {
    std::u16string name;       // the package's "name": names the install folder and the key
    std::u16string title;      // what the user sees: shortcut, Apps list, installer window
    std::u16string publisher;  // may be empty
    std::u16string copyright;  // may be empty
    std::u16string version;    // the version text the program carries
    VersionNumbers versionNumbers{};
    std::u16string programFile;        // "hello.exe", among the items
    std::vector<InstalledItem> items;  // folders before their files
    std::filesystem::path icon;        // an .ico file
};

// "<name>-setup.exe"
std::u16string InstallerFileName(const std::u16string& name);

// The NSIS script that makes `output`: installs the items into
// %LOCALAPPDATA%\Programs\<name> without administrator rights, adds a Start-menu shortcut and
// the uninstaller, and registers it under HKCU's Uninstall key. The uninstaller removes exactly
// what was installed, and the program's browser data only when the user says yes (never when
// silent).
std::string InstallerScript(const InstallerSpec& spec, const std::filesystem::path& output);

// Why the installer cannot be made: makensis is missing. Nothing when it can.
std::optional<std::string> RefusalToBuildInstaller();

// Writes the script into `work` and compiles it into `output`. Throws std::runtime_error with
// makensis's own words when it fails.
void BuildInstaller(const InstallerSpec& spec, const std::filesystem::path& output,
                    const std::filesystem::path& work);

}  // namespace tessaly::tool
