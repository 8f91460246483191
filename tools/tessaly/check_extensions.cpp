#include "tessaly/check_extensions.h"

#include <algorithm>
#include <iterator>

#include "base/text.h"
#include "extensions/extension_entries.h"
#include "tessaly/file_names.h"
#include "tessaly/library_kind.h"

namespace tessaly::tool {

namespace fs = std::filesystem;

void CheckExtensions(const fs::path& app, const Json& root, const PackageSettings& settings,
                     std::vector<Diagnostic>& diagnostics) {
    auto add = [&](Severity severity, std::string file, std::string message) {
        diagnostics.push_back({severity, std::move(file), 0, 0, std::move(message)});
    };
    auto warn = [&](std::string message) {
        add(Severity::Warning, "package.json", std::move(message));
    };
    auto a = [](const Json& value) { return "a JSON " + std::string(value.type_name()); };
    std::string known = "\"name\"";
    for (std::size_t i = 0; i < std::size(kExtensionPlatforms); ++i) {
        known += (i + 1 == std::size(kExtensionPlatforms) ? " and \"" : ", \"") +
                 std::string(kExtensionPlatforms[i]) + "\"";
    }
    if (!root.is_object() || !root.contains("extensions")) {
        return;
    }
    const Json& list = root["extensions"];
    if (!list.is_array()) {
        warn("\"extensions\" is " + a(list) + ", not an array; the program loads no extensions");
        return;
    }
    std::size_t index = 0;  // in settings.extensions, which holds the objects only
    for (std::size_t at = 0; at < list.size(); ++at) {
        const Json& item = list[at];
        const std::string member = "extensions[" + std::to_string(at) + "]";
        const std::string where = "\"" + member + "\"";
        if (!item.is_object()) {
            warn(where + " is " + a(item) + ", not an object; the program leaves it out");
            continue;
        }
        bool anyPlatform = false;
        for (const auto& [key, value] : item.items()) {
            const bool platform =
                std::find(std::begin(kExtensionPlatforms), std::end(kExtensionPlatforms), key) !=
                std::end(kExtensionPlatforms);
            anyPlatform = anyPlatform || platform;
            if (platform && !value.is_string()) {
                warn("\"" + member + "." + key + "\" is " + a(value) +
                     ", not a string; the extension has no library for " + key);
            } else if (!platform && key != "name") {
                warn(where + " has a member \"" + key + "\" the program does not read; it reads " +
                     known);
            }
        }
        if (!anyPlatform) {
            warn(where +
                 " names no library for any platform; the program never loads this extension");
        }

        const std::size_t entry = index++;
        // No platform is named "": this asks about the name alone.
        if (const auto problem = ExtensionEntryProblem(settings.extensions, entry, "")) {
            add(Severity::Error, "package.json", where + ": " + *problem);
            continue;
        }
        const std::string name =
            "extension \"" + WideToUtf8(settings.extensions[entry].name) + "\"";
        for (const auto& [platform, written] : settings.extensions[entry].libraries) {
            if (const auto problem = ExtensionEntryProblem(settings.extensions, entry, platform)) {
                add(Severity::Error, "package.json", name + ": " + *problem);
                continue;
            }
            const std::string path = WideToUtf8(ExtensionLibraryPath(written));
            const fs::path file = app / PathFromUtf8(path);
            const std::string library = "the " + platform + " library of " + name;
            std::error_code error;
            if (!fs::is_regular_file(file, error)) {
                add(Severity::Error, path, library + ": no such file");
            } else if (const auto mismatch = LibraryKindMismatch(ReadLibraryKind(file), platform)) {
                add(Severity::Error, path, library + " is " + *mismatch);
            }
        }
    }
}

}  // namespace tessaly::tool
