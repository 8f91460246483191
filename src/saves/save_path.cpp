#include "saves/save_path.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <random>

namespace tessaly {
namespace {

// The characters besides '\\', '/' and ':' that no Windows name may hold.
constexpr std::string_view kNotInWindowsNames = "<>\"|?*";

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// Windows counts the superscript digits one to three (U+00B9, U+00B2, U+00B3, here in UTF-8)
// as port numbers too.
bool IsSuperscriptPortNumber(std::string_view number) {
    static constexpr std::array<std::string_view, 3> kNumbers = {"\xC2\xB9", "\xC2\xB2",
                                                                 "\xC2\xB3"};
    return std::find(kNumbers.begin(), kNumbers.end(), number) != kNumbers.end();
}

// CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9 and LPT1-9 name devices on Windows, with any
// extension and with spaces before it.
bool IsReservedWindowsName(std::string_view name) {
    std::string stem(name.substr(0, name.find('.')));
    while (!stem.empty() && stem.back() == ' ') {
        stem.pop_back();
    }
    std::transform(stem.begin(), stem.end(), stem.begin(), Upper);
    static constexpr std::array<std::string_view, 6> kDevices = {"CON", "PRN",    "AUX",
                                                                 "NUL", "CONIN$", "CONOUT$"};
    if (std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end()) {
        return true;
    }
    if (!stem.starts_with("COM") && !stem.starts_with("LPT")) {
        return false;
    }
    return (stem.size() == 4 && stem[3] >= '1' && stem[3] <= '9') ||
           IsSuperscriptPortNumber(std::string_view(stem).substr(3));
}

std::string NameProblem(std::string_view name) {
    if (name.empty()) {
        return "has an empty name (a leading, trailing or doubled '/')";
    }
    if (name == "." || name == "..") {
        return name == "." ? "has a '.' segment" : "has a '..' segment";
    }
    if (name.size() > kMaxSaveNameBytes) {
        return "has a name over " + std::to_string(kMaxSaveNameBytes) + " bytes";
    }
    for (const char c : name) {
        if (c == '\\') {
            return "has a backslash; folders are separated by '/'";
        }
        if (c == ':') {
            return "has a ':'";
        }
        if (kNotInWindowsNames.find(c) != std::string_view::npos) {
            return std::string("has a '") + c + "', which Windows does not allow in names";
        }
        if (std::uint8_t(c) < 0x20 || c == 0x7F) {
            return "has a control character";
        }
    }
    if (name.back() == '.' || name.back() == ' ') {
        return "has a name ending in a dot or a space, which Windows cannot keep";
    }
    if (IsReservedWindowsName(name)) {
        return "has a name Windows reserves for a device";
    }
    if (IsPartialWriteName(name)) {
        return "has a name starting with \".tessaly-partial-\", which the program keeps for "
               "writes in progress";
    }
    return {};
}

Failure Refused(std::string_view path, std::string_view why) {
    return FailureAbout(FailureKind::InvalidPath, path, why);
}

}  // namespace

Outcome<SavePath> ParseSavePath(std::string_view path, bool folderItselfAllowed) {
    if (path.empty()) {
        if (folderItselfAllowed) {
            return SavePath{};
        }
        return Failure{FailureKind::InvalidPath, "the path is empty"};
    }
    if (path.front() == '/' || path.front() == '\\') {
        return Refused(path, "is absolute; paths are relative to the save folder");
    }
    if (path.size() >= 2 && path[1] == ':') {
        return Refused(path, "starts with a drive letter; paths are relative to the save folder");
    }
    SavePath names;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = path.find('/', start);
        const std::string_view name = path.substr(start, slash - start);
        if (const std::string problem = NameProblem(name); !problem.empty()) {
            return Refused(path, problem);
        }
        if (names.size() == kMaxSaveSegments) {
            return Refused(path, "has more than " + std::to_string(kMaxSaveSegments) + " names");
        }
        names.emplace_back(name);
        if (slash == std::string_view::npos) {
            return names;
        }
        start = slash + 1;
    }
}

bool IsPartialWriteName(std::string_view name) {
    return name.starts_with(kPartialWritePrefix);
}

std::string NewPartialWriteName(std::uint32_t processId) {
    // Seeded at random: a process that reuses an id finds no name of the earlier one's writes.
    static std::atomic<std::uint64_t> counter{std::random_device{}()};
    char hex[16];
    char* end = std::to_chars(std::begin(hex), std::end(hex), counter++, 16).ptr;
    return std::string(kPartialWritePrefix) + std::to_string(processId) + "-" +
           std::string(std::begin(hex), end);
}

std::optional<std::uint32_t> PartialWriteOwner(std::string_view name) {
    if (!IsPartialWriteName(name)) {
        return std::nullopt;
    }
    name.remove_prefix(kPartialWritePrefix.size());
    const std::string_view id = name.substr(0, name.find('-'));
    const std::string_view counter = name.substr(std::min(name.size(), id.size() + 1));
    std::uint32_t owner = 0;
    std::uint64_t number = 0;
    const auto [idEnd, idError] = std::from_chars(id.data(), id.data() + id.size(), owner);
    const auto [counterEnd, counterError] =
        std::from_chars(counter.data(), counter.data() + counter.size(), number, 16);
    // Both systems' process ids are positive and fit a signed 32-bit number.
    const bool wellFormed = idError == std::errc() && idEnd == id.data() + id.size() &&
                            counterError == std::errc() &&
                            counterEnd == counter.data() + counter.size();
    if (!wellFormed || owner == 0 || owner > std::uint32_t(INT32_MAX)) {
        return std::nullopt;
    }
    return owner;
}

std::string SavePathText(const SavePath& path, std::size_t count) {
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        text += (i ? "/" : "") + path[i];
    }
    return text;
}

bool IsUsableSaveFolderName(std::string_view name) {
    const Outcome<SavePath> path = ParseSavePath(name, false);
    return std::holds_alternative<SavePath>(path) && std::get<SavePath>(path).size() == 1;
}

}  // namespace tessaly
