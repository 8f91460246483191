#include "tessaly/file_names.h"

#include "base/text.h"
#include "server/resource_response.h"

namespace tessaly::tool {
namespace {

// Long enough for any real name, and far below the 255 units Windows allows for a file name.
constexpr std::size_t kMaxProgramNameUnits = 120;

constexpr std::u16string_view kForbiddenInNames = u"<>:\"/\\|?*";

bool IsControl(char16_t unit) {
    return unit < 0x20 || unit == 0x7F;
}

// The name as UTF-8 when it is valid Unicode.
std::optional<std::string> NameText(const std::filesystem::path& name) {
#ifdef _WIN32
    const std::wstring& native = name.native();
    const std::u16string units(native.begin(), native.end());
    if (Utf8ToWide(WideToUtf8(units)) != units) {
        return std::nullopt;
    }
    return WideToUtf8(units);
#else
    const std::string& bytes = name.native();
    if (WideToUtf8(Utf8ToWide(bytes)) != bytes) {
        return std::nullopt;
    }
    return bytes;
#endif
}

std::string NameProblem(std::string_view name) {
    std::string quoted(1, '"');
    quoted.append(name).append(1, '"');
    if (name.empty()) {
        return "an empty name";
    }
    if (name.back() == '.' || name.back() == ' ') {
        return quoted + " ends with a dot or a space, which Windows drops";
    }
    for (const char16_t unit : Utf8ToWide(name)) {
        if (IsControl(unit)) {
            return quoted + " holds a control character, which Windows forbids in names";
        }
        if (kForbiddenInNames.find(unit) != std::u16string_view::npos) {
            return quoted + " holds '" + char(unit) + "', which Windows forbids in names";
        }
    }
    return quoted + " is a name Windows keeps for a device (such as CON, NUL, COM1 or LPT1)";
}

}  // namespace

std::optional<std::string> RelativeName(const std::filesystem::path& path,
                                        const std::filesystem::path& base) {
    std::string relative;
    for (const auto& name : path.lexically_relative(base)) {
        const auto text = NameText(name);
        if (!text) {
            return std::nullopt;
        }
        if (!relative.empty()) {
            relative += '/';
        }
        relative += *text;
    }
    return relative;
}

std::string WindowsNameProblem(std::string_view relative) {
    if (IsConfinedRequestPath(Utf8ToWide(relative))) {
        return {};
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = relative.find('/', start);
        const std::string_view name = relative.substr(start, slash - start);
        if (!IsConfinedRequestPath(Utf8ToWide(name))) {
            return NameProblem(name);
        }
        if (slash == std::string_view::npos) {
            return "not a plain relative path";
        }
        start = slash + 1;
    }
}

std::string FoldedName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
    }
    return folded;
}

std::u16string ProgramFileName(std::u16string_view name) {
    std::u16string base;
    for (const char16_t unit : name) {
        const bool forbidden =
            IsControl(unit) || kForbiddenInNames.find(unit) != std::u16string_view::npos;
        base.push_back(forbidden ? u'_' : unit);
    }
    if (base.size() > kMaxProgramNameUnits) {
        base.resize(kMaxProgramNameUnits);
        if (base.back() >= 0xD800 && base.back() <= 0xDBFF) {
            base.pop_back();  // never keep half of a surrogate pair
        }
    }
    while (!base.empty() && (base.back() == u'.' || base.back() == u' ')) {
        base.pop_back();
    }
    const std::size_t firstKept = base.find_first_not_of(u' ');
    base.erase(0, firstKept == std::u16string::npos ? base.size() : firstKept);
    if (base.empty()) {
        base = u"app";
    }
    if (!IsConfinedRequestPath(base + u".exe")) {
        base += u'_';  // a device name: "CON.exe" would open the console, "CON_.exe" is a file
    }
    return base + u".exe";
}

std::string Utf8Path(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path PathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

}  // namespace tessaly::tool
