// The app's own face on the program: its icon and version information, written into a copy of
// the program's executable.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/json_read.h"
#include "config/package_settings.h"
#include "tessaly/icon_images.h"
#include "tessaly/version_info.h"

namespace tessaly::tool {

// What package.json says about the program beyond what the program itself reads.
struct Branding {
    std::optional<std::filesystem::path> icon;  // the app's icon file, when it names one
    std::u16string productName;                 // "window.title", or "name" without one
    std::u16string internalName;                // "name"
    std::u16string originalFilename;            // the program's file name
    std::optional<std::string> version;         // "version", when it is a valid one
    std::u16string company;                     // the name in "author"
    std::u16string copyright;                   // "copyright"
};

// Reads the branding of the app in `app` from its package.json text, whose settings the
// program loads as `settings`.
Branding BrandingOf(const std::filesystem::path& app, const PackageSettings& settings,
                    const std::string& packageJson);

// The name in an npm "author" member: the text before an e-mail address or web address in
// "Name <mail> (url)", or the "name" of an object. Empty for anything else.
std::u16string AuthorName(const Json& author);

class BrandError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Writes `exe` with the app's icon (every icon group replaced, and one more numbered 32512, the
// icon the program falls back to) and version information to `out`. Throws BrandError, saying
// what is wrong with the program or the icon, before `out` is opened.
void BrandProgram(const std::filesystem::path& exe, const Branding& branding,
                  const std::filesystem::path& out);

// What the installer needs of a program: its first icon group as an .ico file, and its
// version information. Throws BrandError when the program has neither.
struct ProgramFace {
    std::string ico;
    VersionInfo version;
};
ProgramFace ReadProgramFace(const std::filesystem::path& exe);

}  // namespace tessaly::tool
