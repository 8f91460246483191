#include "extensions/extension_entries.h"

#include <algorithm>

#include "base/architecture.h"
#include "base/text.h"
#include "server/resource_response.h"

namespace tessaly {

std::string ExtensionPlatform() {
#ifdef _WIN32
    return "windows-" + ProgramArchitecture();
#else
    return "linux-" + ProgramArchitecture();
#endif
}

bool IsExtensionName(std::u16string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
               c == u'-' || c == u'_';
    });
}

std::u16string ExtensionLibraryPath(std::u16string_view written) {
    return ReplaceAll(written, u"\\", u"/");
}

std::optional<std::string> ExtensionEntryProblem(const std::vector<ExtensionEntry>& entries,
                                                 std::size_t index, std::string_view platform) {
    const ExtensionEntry& entry = entries[index];
    const std::string name = WideToUtf8(entry.name);
    if (!IsExtensionName(entry.name)) {
        return "the name \"" + name + "\" may hold only letters, digits, - and _";
    }
    const auto earlier = entries.begin() + std::ptrdiff_t(index);
    if (std::any_of(entries.begin(), earlier,
                    [&](const ExtensionEntry& other) { return other.name == entry.name; })) {
        return "an earlier extension is also named \"" + name + "\"";
    }
    const auto library = entry.libraries.find(platform);
    if (library != entry.libraries.end() &&
        !IsConfinedRequestPath(ExtensionLibraryPath(library->second))) {
        return "the path \"" + WideToUtf8(library->second) + "\" for " + std::string(platform) +
               " must name a file inside the app folder, without a drive, a leading slash, "
               "\".\" or \"..\"";
    }
    return std::nullopt;
}

}  // namespace tessaly
