#include <windows.h>
// windows.h first: the shell headers rely on its definitions.
#include <knownfolders.h>
#include <shlobj.h>

#include <vector>

#include "base/paths.h"
#include "base/wide_cast.h"

namespace tessaly {
namespace {

// GetModuleFileNameW cuts the path to the buffer and says so only through the returned count.
std::u16string QueryModuleFileName() {
    return ReadWithGrowingBuffer(
        [](char16_t* buffer, std::uint32_t size) {
            return std::uint32_t(
                GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(buffer), size));
        },
        MAX_PATH);
}

// Resolves "." and ".." segments. GetFullPathNameW has no MAX_PATH limit, unlike
// PathCanonicalizeW.
std::u16string Canonicalize(const std::u16string& path) {
    const DWORD needed = GetFullPathNameW(AsWide(path), 0, nullptr, nullptr);
    if (needed == 0) {
        return path;
    }
    std::vector<wchar_t> buffer(needed);
    const DWORD count = GetFullPathNameW(AsWide(path), needed, buffer.data(), nullptr);
    if (count == 0 || count >= needed) {
        return path;
    }
    return FromWide(buffer.data(), count);
}

std::u16string KnownFolder(REFKNOWNFOLDERID id) {
    std::u16string path;
    PWSTR folder = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &folder))) {
        path = FromWide(folder);
    }
    CoTaskMemFree(folder);
    return path;
}

}  // namespace

std::u16string ModulePath() {
    static std::u16string cached;
    if (cached.empty()) {
        cached = Canonicalize(QueryModuleFileName());
    }
    return cached;
}

std::u16string LocalAppDataFolder() {
    static std::u16string cached;
    if (cached.empty()) {
        cached = KnownFolder(FOLDERID_LocalAppData);
    }
    return cached;
}

std::u16string RoamingAppDataFolder() {
    return KnownFolder(FOLDERID_RoamingAppData);
}

}  // namespace tessaly
