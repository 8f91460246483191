// `tessaly pack`: the Windows program assembled from an app, in a folder of its own.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "config/package_settings.h"
#include "tessaly/signing.h"

namespace tessaly::tool {

struct PackOptions {
    std::filesystem::path app;
    std::filesystem::path out;
    std::filesystem::path exe;        // the built Tessaly.exe; empty when only Linux is packed
    bool zip = false;                 // also write OUT.zip beside OUT
    bool force = false;               // replace what OUT and OUT.zip hold
    bool progress = false;            // draw a progress bar for a large app
    std::optional<SignOptions> sign;  // sign the program (and the installer) with Authenticode
    bool installer = false;           // also write OUT/<name>-setup.exe
    // The built tessaly-host, to write the Linux program too (see pack_linux.h).
    std::optional<std::filesystem::path> linuxHost;
};

// One file or folder that pack writes into OUT.
struct PackItem {
    std::filesystem::path source;  // empty for a folder
    std::string destination;       // relative to OUT, UTF-8, '/' between names
    bool folder = false;
    std::uintmax_t size = 0;
};

struct PackPlan {
    std::vector<PackItem> items;  // in the order they are written; folders before their files
    // What the Linux program alone needs beyond `items` (its extensions' files and the folders
    // they need): kept apart so that the Windows installer leaves them out, until
    // AddLinuxProgram adds them to the end of `items`.
    std::vector<PackItem> linuxItems;
    std::uintmax_t bytes = 0;  // of both
    // Set when two different sources would land on one name in OUT (as Windows compares names).
    std::string conflict;
};

// What OUT holds after a pack: the program named after the app, package.json, the icon file,
// www/ whole, webview2/ whole when the app ships a fixed runtime, and the extensions' files for
// the platform `exe` runs on (read from its headers) and, with `linuxHost`, for the platform
// that runs on (in linuxItems). Links to folders and special files are left out (check reports
// them); so are extensions for other platforms.
PackPlan PlanPack(const std::filesystem::path& app, const PackageSettings& settings,
                  const std::filesystem::path& exe,
                  const std::optional<std::filesystem::path>& linuxHost);

// OUT.zip, beside OUT.
std::filesystem::path ZipPathFor(const std::filesystem::path& out);

// Why pack must not write anything, or nothing when it may. Pack never writes into the app
// folder, never empties a folder that holds the app or the program it copies, and replaces a
// non-empty OUT or an existing zip only with --force.
std::optional<std::string> RefusalToPack(const PackOptions& options);

// The whole command: check the app, refuse, make the program with the app's icon and version
// information (signed when asked) and the installer when asked, then empty OUT, copy, zip.
// Everything that can fail for a reason of the app's, the program's or the certificate's is
// done before OUT is touched. Prints what it made to `out` and diagnostics and failures to
// `err`. Returns the exit code.
int Pack(const PackOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tessaly::tool
