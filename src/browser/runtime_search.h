// Finding a WebView2 runtime without Microsoft's loader library: the installed ("evergreen")
// runtime through the registry, or a shipped ("fixed") runtime in a given folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly {

enum class RegistryRoot { LocalMachine, CurrentUser };
enum class RegistryView { Bits32, Bits64 };

// How the runtime library is told where the runtime came from.
enum class RuntimeKind : std::int32_t {
    Installed = 0,        // found through the registry
    Redistributable = 1,  // a folder the program named
};

// The process architecture, which picks the client library's sub-folder.
enum class ProcessArch { X86, X64, Arm64 };

struct RegistryLookup {
    RegistryRoot root;
    RegistryView view;
    std::u16string key;                 // under the root
    std::u16string_view channelSuffix;  // appended to the version: "" or " beta" and so on
};

// Every registry place that may name an installed runtime, in the order they are asked:
// channels from the most stable, each first machine-wide and then for the user, each in the
// 32-bit and then the 64-bit view. The value to read is kInstalledRuntimeValue.
const std::vector<RegistryLookup>& InstalledRuntimeLookups();
inline constexpr std::u16string_view kInstalledRuntimeValue = u"EBWebView";

// The runtime's client library, relative to its folder.
std::u16string ClientLibraryIn(std::u16string_view runtimeFolder, ProcessArch arch);

// The architecture this program is built for.
ProcessArch ThisProcessArch();

// A folder as given when absolute ("X:\..." or "\\..."), otherwise appended to the executable's
// folder, which ends in a backslash.
std::u16string ResolveRuntimeFolder(std::u16string_view folder, std::u16string_view exeFolder);

// The version an installed runtime's folder names: its last path component.
std::u16string VersionFromInstalledFolder(std::u16string_view folder);

// What the platform tells the search.
class RuntimeSearchSystem {
  public:
    virtual ~RuntimeSearchSystem() = default;
    // A string value, or none when the key or value is missing or not a string.
    virtual std::optional<std::u16string> ReadRegistryString(RegistryRoot root, RegistryView view,
                                                             const std::u16string& key,
                                                             std::u16string_view value) = 0;
    virtual bool FileExists(const std::u16string& path) = 0;
    // The library's ProductVersion text (US English, Unicode), or empty.
    virtual std::u16string ProductVersion(const std::u16string& path) = 0;
    // The executable's folder, ending in a backslash.
    virtual std::u16string ExecutableFolder() = 0;
};

struct FoundRuntime {
    std::u16string clientLibrary;  // full path of EmbeddedBrowserWebView.dll
    std::u16string version;        // as the loader reports it, with a channel suffix
    RuntimeKind kind = RuntimeKind::Installed;
};

// The runtime for a browser executable folder: the installed one when the folder is empty,
// otherwise the one in that folder. None when there is no usable runtime; a folder inside the
// Edge browser's own installation is refused.
std::optional<FoundRuntime> FindRuntime(RuntimeSearchSystem& system,
                                        std::u16string_view browserFolder, ProcessArch arch);

}  // namespace tessaly
