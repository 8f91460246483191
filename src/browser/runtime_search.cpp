#include "browser/runtime_search.h"

namespace tessaly {
namespace {

struct Channel {
    std::u16string_view clientId;
    std::u16string_view suffix;
};

// The runtime's own channel first, then Edge's preview channels, most stable first.
constexpr Channel kChannels[] = {
    {u"{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}", u""},
    {u"{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}", u" beta"},
    {u"{0D50BFEC-CD6A-4F9A-964C-C7416E3ACB10}", u" dev"},
    {u"{65C35B14-6C1D-4122-AC46-7148CC9D6497}", u" canary"},
};

constexpr std::u16string_view kClientStateKey = u"Software\\Microsoft\\EdgeUpdate\\ClientState\\";

bool IsAbsolute(std::u16string_view path) {
    const bool drive = path.size() >= 3 && path[1] == u':' && (path[2] == u'\\' || path[2] == u'/');
    return drive || path.starts_with(u"\\\\");
}

std::u16string_view ArchFolder(ProcessArch arch) {
    switch (arch) {
        case ProcessArch::X64:
            return u"x64";
        case ProcessArch::Arm64:
            return u"arm64";
        case ProcessArch::X86:
            break;
    }
    return u"x86";
}

std::u16string TrimTrailingSeparators(std::u16string_view path) {
    while (!path.empty() && (path.back() == u'\\' || path.back() == u'/')) {
        path.remove_suffix(1);
    }
    return std::u16string(path);
}

}  // namespace

const std::vector<RegistryLookup>& InstalledRuntimeLookups() {
    static const std::vector<RegistryLookup> lookups = [] {
        std::vector<RegistryLookup> all;
        for (const Channel& channel : kChannels) {
            std::u16string key(kClientStateKey);
            key += channel.clientId;
            for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
                for (RegistryView view : {RegistryView::Bits32, RegistryView::Bits64}) {
                    all.push_back({root, view, key, channel.suffix});
                }
            }
        }
        return all;
    }();
    return lookups;
}

std::u16string ClientLibraryIn(std::u16string_view runtimeFolder, ProcessArch arch) {
    std::u16string path = TrimTrailingSeparators(runtimeFolder);
    path += u"\\EBWebView\\";
    path += ArchFolder(arch);
    path += u"\\EmbeddedBrowserWebView.dll";
    return path;
}

ProcessArch ThisProcessArch() {
#if defined(__aarch64__) || defined(_M_ARM64)
    return ProcessArch::Arm64;
#elif defined(__x86_64__) || defined(_M_X64)
    return ProcessArch::X64;
#else
    return ProcessArch::X86;
#endif
}

std::u16string ResolveRuntimeFolder(std::u16string_view folder, std::u16string_view exeFolder) {
    if (IsAbsolute(folder)) {
        return std::u16string(folder);
    }
    std::u16string resolved(exeFolder);
    resolved += folder;
    return resolved;
}

std::u16string VersionFromInstalledFolder(std::u16string_view folder) {
    const std::u16string trimmed = TrimTrailingSeparators(folder);
    const auto separator = trimmed.find_last_of(u"\\/");
    return separator == std::u16string::npos ? trimmed : trimmed.substr(separator + 1);
}

std::optional<FoundRuntime> FindRuntime(RuntimeSearchSystem& system,
                                        std::u16string_view browserFolder, ProcessArch arch) {
    if (!browserFolder.empty()) {
        const std::u16string folder =
            ResolveRuntimeFolder(browserFolder, system.ExecutableFolder());
        // The Edge browser is not a WebView2 runtime, even though its folder looks like one.
        if (folder.find(u"\\Edge\\Application\\") != std::u16string::npos) {
            return std::nullopt;
        }
        FoundRuntime runtime{ClientLibraryIn(folder, arch), {}, RuntimeKind::Redistributable};
        runtime.version = system.ProductVersion(runtime.clientLibrary);
        if (runtime.version.empty()) {
            return std::nullopt;
        }
        return runtime;
    }
    for (const RegistryLookup& lookup : InstalledRuntimeLookups()) {
        const std::optional<std::u16string> folder =
            system.ReadRegistryString(lookup.root, lookup.view, lookup.key, kInstalledRuntimeValue);
        if (!folder || folder->empty()) {
            continue;
        }
        FoundRuntime runtime{ClientLibraryIn(*folder, arch), VersionFromInstalledFolder(*folder),
                             RuntimeKind::Installed};
        if (runtime.version.empty() || !system.FileExists(runtime.clientLibrary)) {
            continue;
        }
        runtime.version += lookup.channelSuffix;
        return runtime;
    }
    return std::nullopt;
}

}  // namespace tessaly
