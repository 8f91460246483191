#include "config/package_settings.h"

#include "base/json_read.h"
#include "base/text.h"

namespace tessaly {
namespace {

std::vector<ExtensionEntry> ReadExtensions(const Json& list) {
    std::vector<ExtensionEntry> entries;
    if (!list.is_array()) {
        return entries;
    }
    for (const Json& item : list) {
        if (!item.is_object()) {
            continue;
        }
        ExtensionEntry entry;
        entry.name = GetString(item, "name", u"");
        for (const std::string_view platform : kExtensionPlatforms) {
            if (item.contains(platform) && item[std::string(platform)].is_string()) {
                entry.libraries.emplace(platform, GetString(item, platform, u""));
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace

ConfigError::ConfigError(std::u16string text)
    : std::runtime_error(WideToUtf8(text)), text_(std::move(text)) {}

void LoadPackageSettings(const std::string& text, PackageSettings& settings) {
    // Parsing from the C string stops at the first NUL byte. Strict: only white space may
    // follow the value, and comments are errors. A UTF-8 byte-order mark is skipped by the
    // parser; a key written twice keeps its last value.
    Json root = Json::parse(text.c_str(), nullptr, /*allow_exceptions=*/true,
                            /*ignore_comments=*/false);

    settings.name = GetString(root, "name", u"");
    // Empty is also the end of every document whose top-level value is not an object. A NUL
    // would cut the name short in every Windows call: "\u0000x" would make the browser's data
    // folder the local application data folder itself.
    if (settings.name.empty() || settings.name.find(u'\0') != std::u16string::npos) {
        throw ConfigError(u"invalid name");
    }
    settings.version = GetString(root, "version", u"");
    settings.mainPage = GetString(root, "main", u"index.html");

    // The root is an object now, so these inserting look-ups are safe; an absent member
    // reads as null and gives every default below it.
    const Json& window = root["window"];
    settings.title = GetString(window, "title", kDefaultTitle);
    settings.width = GetInt(window, "width", 1024);
    settings.height = GetInt(window, "height", 768);
    settings.iconPath = GetString(window, "icon", u"");
    settings.resizable = GetBool(window, "resizable", true);
    settings.chromiumArgs = GetString(root, "chromium-args", u"");

    const Json& packageSettings = root["settings"];
    const std::u16string mode = GetString(packageSettings, "distribution-mode", u"evergreen");
    if (mode == u"evergreen") {
        settings.distributionMode = DistributionMode::Evergreen;
    } else if (mode == u"fixed") {
        settings.distributionMode = DistributionMode::Fixed;
    } else {
        throw ConfigError(u"invalid distribution mode");
    }
    settings.enableDevTools = GetBool(packageSettings, "enable-devtools", true);
    settings.crossOriginIsolation = GetBool(packageSettings, "cross-origin-isolation", false);

    const Json& messages = root["messages"];
    settings.installPromptMessage = GetString(messages, "install-webview2", kDefaultInstallPrompt);
    settings.downloadingMessage = GetString(messages, "downloading", kDefaultDownloading);
    settings.installFailedMessage =
        GetString(messages, "install-webview2-failed", kDefaultInstallFailed);
    settings.extensions = ReadExtensions(root["extensions"]);
}

}  // namespace tessaly
