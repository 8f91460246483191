// The package's description of itself, read from package.json in the program folder.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

enum class DistributionMode : std::int32_t {
    Evergreen = 0,  // the system-wide runtime
    Fixed = 1,      // a runtime shipped in the "webview2" subfolder
};

// The platforms an extension can name a library for.
inline constexpr std::string_view kExtensionPlatforms[] = {"windows-x86", "windows-x64",
                                                           "linux-x64"};

// A native extension the package lists: its name and, for each platform that has one
// ("windows-x86", "windows-x64", "linux-x64"), its library's path relative to the app folder,
// as written. Whether these can be used is decided where the extensions are loaded or checked.
struct ExtensionEntry {
    std::u16string name;
    std::map<std::string, std::u16string, std::less<>> libraries;
};

struct PackageSettings {
    std::u16string name;
    std::u16string version;  // told to the page; empty when absent
    std::u16string mainPage;
    std::u16string title;
    std::int32_t width = 0;  // client area at 96 DPI
    std::int32_t height = 0;
    std::u16string iconPath;  // relative to the program folder, or empty
    // The loaded window icon (an HICON on Windows). Never read from the document: start-up
    // fills it so that every window class of the program takes the same icon.
    void* iconHandle = nullptr;
    bool resizable = false;
    std::u16string chromiumArgs;
    DistributionMode distributionMode = DistributionMode::Evergreen;
    bool enableDevTools = false;
    // Every answer of the content server says the app is cross-origin isolated, which pages
    // need for SharedArrayBuffer (threaded WebAssembly).
    bool crossOriginIsolation = false;
    std::u16string installPromptMessage;
    std::u16string downloadingMessage;
    std::u16string installFailedMessage;
    // In the order listed; a member that is not an object is left out, and so is a platform
    // whose path is not a string.
    std::vector<ExtensionEntry> extensions;
};

// A semantic fault in an otherwise well-formed document. Its text is never shown to the user.
class ConfigError : public std::runtime_error {
  public:
    explicit ConfigError(std::u16string text);
    const std::u16string& text() const { return text_; }

  private:
    std::u16string text_;
};

inline constexpr std::u16string_view kDefaultTitle = u"Windows Tessaly";
inline constexpr std::u16string_view kDefaultInstallPrompt =
    u"This app requires the Microsoft Edge WebView2 runtime. It will be downloaded and "
    u"installed for you now.";
inline constexpr std::u16string_view kDefaultDownloading = u"Downloading...";
inline constexpr std::u16string_view kDefaultInstallFailed =
    u"Failed to install the Microsoft Edge WebView2 runtime. Check that you have permission to "
    u"install it, and that your Internet connection is working. Run the app again to try again.";

// Fills `settings` from the text of package.json, field by field. The text ends at its first
// NUL byte. Throws nlohmann::json::parse_error for malformed JSON and ConfigError for an empty
// or missing "name" or an unknown "distribution-mode".
void LoadPackageSettings(const std::string& text, PackageSettings& settings);

}  // namespace tessaly
