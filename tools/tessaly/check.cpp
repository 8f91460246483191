#include "tessaly/check.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <regex>
#include <set>

#include "base/file_bytes.h"
#include "base/json_read.h"
#include "base/text.h"
#include "server/decoded_reader.h"
#include "server/file_access.h"
#include "server/mapped_file_cache.h"
#include "server/resource_response.h"
#include "tessaly/branding.h"
#include "tessaly/check_extensions.h"
#include "tessaly/file_names.h"
#include "tessaly/version_info.h"
#include "tessaly/wasm_module.h"

namespace tessaly::tool {
namespace {

namespace fs = std::filesystem;

enum class Expected { String, Number, Boolean };

// A member the program reads, where it reads it, and how to say what it falls back to.
struct MemberRule {
    std::string_view container;  // empty: the top-level object
    std::string_view key;
    Expected expected;
    std::string (*fallback)(const PackageSettings& defaults);
};

std::string Quoted(std::u16string_view text) {
    constexpr std::size_t kLongest = 48;
    std::string quoted = "\"" + WideToUtf8(text.substr(0, kLongest));
    return quoted + (text.size() > kLongest ? "...\"" : "\"");
}

std::string Boolean(bool value) {
    return value ? "true" : "false";
}

const std::array<MemberRule, 13> kMembers = {{
    {"", "main", Expected::String, [](const PackageSettings& d) { return Quoted(d.mainPage); }},
    {"window", "title", Expected::String, [](const PackageSettings& d) { return Quoted(d.title); }},
    {"window", "width", Expected::Number,
     [](const PackageSettings& d) { return std::to_string(d.width); }},
    {"window", "height", Expected::Number,
     [](const PackageSettings& d) { return std::to_string(d.height); }},
    {"window", "icon", Expected::String,
     [](const PackageSettings&) { return std::string("no icon"); }},
    {"window", "resizable", Expected::Boolean,
     [](const PackageSettings& d) { return Boolean(d.resizable); }},
    {"", "chromium-args", Expected::String,
     [](const PackageSettings&) { return std::string("no extra browser arguments"); }},
    {"settings", "distribution-mode", Expected::String,
     [](const PackageSettings&) { return std::string("\"evergreen\""); }},
    {"settings", "enable-devtools", Expected::Boolean,
     [](const PackageSettings& d) { return Boolean(d.enableDevTools); }},
    {"settings", "cross-origin-isolation", Expected::Boolean,
     [](const PackageSettings& d) { return Boolean(d.crossOriginIsolation); }},
    {"messages", "install-webview2", Expected::String,
     [](const PackageSettings& d) { return Quoted(d.installPromptMessage); }},
    {"messages", "downloading", Expected::String,
     [](const PackageSettings& d) { return Quoted(d.downloadingMessage); }},
    {"messages", "install-webview2-failed", Expected::String,
     [](const PackageSettings& d) { return Quoted(d.installFailedMessage); }},
}};

constexpr std::array<std::string_view, 3> kContainers = {"window", "settings", "messages"};

// Image formats GDI+ decodes, which is what the program makes the window icon with.
constexpr std::array<std::string_view, 11> kIconExtensions = {
    ".bmp", ".dib", ".gif", ".jpg", ".jpeg", ".png", ".tif", ".tiff", ".ico", ".wmf", ".emf"};

std::string MemberName(std::string_view container, std::string_view key) {
    return "\"" + (container.empty() ? "" : std::string(container) + ".") + std::string(key) + "\"";
}

std::string Described(const Json& value) {
    switch (value.type()) {
        case Json::value_t::null:
            return "null";
        case Json::value_t::object:
            return "an object";
        case Json::value_t::array:
            return "an array";
        case Json::value_t::string:
            return "a string";
        case Json::value_t::boolean:
            return "a boolean";
        default:
            return "a number";
    }
}

std::string_view ExpectedName(Expected expected) {
    switch (expected) {
        case Expected::String:
            return "a string";
        case Expected::Number:
            return "a number";
        case Expected::Boolean:
            break;
    }
    return "a boolean";
}

bool HasExpectedType(const Json& value, Expected expected) {
    switch (expected) {
        case Expected::String:
            return value.is_string();
        case Expected::Number:
            return value.is_number();
        case Expected::Boolean:
            break;
    }
    return value.is_boolean();
}

// The settings a document holding nothing but a name loads as: the program's defaults.
PackageSettings Defaults() {
    PackageSettings defaults;
    LoadPackageSettings(R"({"name":"x"})", defaults);
    return defaults;
}

// The part of nlohmann's message after its own position text.
std::string SyntaxMessage(const Json::parse_error& error) {
    const std::string what = error.what();
    const std::size_t at = what.find("parse error");
    const std::size_t colon = at == std::string::npos ? at : what.find(": ", at);
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

// Where the value of the top-level member `key` starts in well-formed JSON `text` (the last
// one when the key is written twice, as the loader keeps), or nothing.
std::optional<std::size_t> TopLevelValueAt(std::string_view text, std::string_view key) {
    text = text.substr(0, text.find('\0'));
    auto skipSpace = [&](std::size_t i) {
        while (i < text.size() &&
               (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) {
            ++i;
        }
        return i;
    };
    std::optional<std::size_t> found;
    int depth = 0;
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '"') {
            std::size_t end = i + 1;
            while (end < text.size() && text[end] != '"') {
                end += text[end] == '\\' ? 2 : 1;
            }
            const std::string_view token = text.substr(i, end + 1 - i);
            i = skipSpace(end + 1);
            // A string followed by a colon is a key; at depth 1 it is a top-level member.
            if (depth == 1 && i < text.size() && text[i] == ':') {
                const Json name = Json::parse(token, nullptr, false);
                if (name.is_string() && name.get<std::string>() == key) {
                    found = skipSpace(i + 1);
                }
            }
            continue;
        }
        depth += (c == '{' || c == '[') ? 1 : (c == '}' || c == ']') ? -1 : 0;
        ++i;
    }
    return found;
}

// The page path as the browser asks for it: backslashes read as slashes, and "." and ".."
// names resolved, in the part before any query or fragment.
std::u16string BrowserPagePath(std::u16string_view page) {
    const std::size_t end = std::min(page.find_first_of(u"?#"), page.size());
    const std::u16string path = ReplaceAll(page.substr(0, end), u"\\", u"/");
    std::vector<std::u16string> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = std::min(path.find(u'/', start), path.size());
        const std::u16string name = path.substr(start, slash - start);
        if (name == u"..") {
            if (!names.empty()) {
                names.pop_back();
            }
        } else if (name != u".") {
            names.push_back(name);
        }
        start = slash + 1;
    }
    std::u16string joined;
    for (std::size_t i = 0; i < names.size(); ++i) {
        joined += (i == 0 ? u"" : u"/") + names[i];
    }
    return joined + std::u16string(page.substr(end));
}

// True for a relative path that stays inside the folder it is joined to.
bool IsInsideApp(std::string_view path) {
    if (path.starts_with('/') || path.find(':') != std::string_view::npos) {
        return false;
    }
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        if (path.substr(start, slash - start) == "..") {
            return false;
        }
        start = slash + 1;
    }
    return true;
}

bool StartsWithFolder(const std::string& relative, const std::vector<std::string>& folders) {
    return std::any_of(folders.begin(), folders.end(), [&](const std::string& folder) {
        return relative.size() > folder.size() && relative.starts_with(folder) &&
               relative[folder.size()] == '/';
    });
}

class Checker {
  public:
    explicit Checker(const fs::path& app) : app_(app) {}

    CheckResult Run() {
        std::error_code error;
        if (!fs::is_directory(app_, error)) {
            Error("", fs::exists(app_, error) ? "not a folder" : "no such folder");
            return std::move(result_);
        }
        const std::optional<PackageSettings> settings = CheckPackage();
        CheckContent(settings);
        if (settings) {
            CheckIcon(*settings);
            CheckRuntimeFolder(*settings);
        }
        return std::move(result_);
    }

  private:
    void Add(Severity severity, std::string file, std::string message, TextPosition at = {0, 0}) {
        result_.diagnostics.push_back(
            {severity, std::move(file), at.line, at.column, std::move(message)});
    }
    void Error(std::string file, std::string message) {
        Add(Severity::Error, std::move(file), std::move(message));
    }
    void Warning(std::string file, std::string message) {
        Add(Severity::Warning, std::move(file), std::move(message));
    }

    // Loads package.json as the program does. Gives the settings the rest of the app is checked
    // against: the loaded ones, or after a bad "name" the ones the rest of the document gives.
    std::optional<PackageSettings> CheckPackage() {
        const fs::path file = app_ / "package.json";
        std::error_code error;
        if (!fs::exists(file, error)) {
            Error("package.json", "missing: the program reads its settings from it");
            return std::nullopt;
        }
        const std::string text = ReadFileBytes(file.u16string());
        if (text.empty()) {
            Error("package.json", "empty, or not a file that can be read");
            return std::nullopt;
        }
        PackageSettings settings;
        try {
            LoadPackageSettings(text, settings);
            result_.settings = settings;
        } catch (const Json::parse_error& syntax) {
            Add(Severity::Error, "package.json", SyntaxMessage(syntax),
                PositionOfByte(text, syntax.byte == 0 ? 0 : syntax.byte - 1));
            return std::nullopt;
        } catch (const ConfigError& fault) {
            // The document is well-formed here, so the non-throwing parse gives the same value.
            const Json root = Json::parse(text.c_str(), nullptr, false, false);
            if (fault.text() != u"invalid name") {
                Error("package.json", ModeFault(root));
                return std::nullopt;
            }
            Error("package.json", NameFault(root));
            if (!root.is_object()) {
                return std::nullopt;
            }
            // Load the rest as the program would once the name is right.
            Json named = root;
            named["name"] = "x";
            try {
                LoadPackageSettings(named.dump(), settings);
            } catch (const ConfigError&) {
                Error("package.json", ModeFault(root));
                return std::nullopt;
            }
        }
        if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
            Add(Severity::Warning, "package.json", "a NUL byte: the program reads nothing after it",
                PositionOfByte(text, nul));
        }
        CheckMembers(Json::parse(text.c_str(), nullptr, false, false));
        CheckBranding(Json::parse(text.c_str(), nullptr, false, false), text);
        CheckNameAsFolder(settings.name);
        CheckExtensions(app_, Json::parse(text.c_str(), nullptr, false, false), settings,
                        result_.diagnostics);
        return settings;
    }

    static std::string NameFault(const Json& root) {
        std::string detail;
        if (!root.is_object()) {
            detail = "the top-level value is " + Described(root) + ", not an object";
        } else if (!root.contains("name")) {
            detail = "\"name\" is missing";
        } else if (const Json& name = Member(root, "name"); !name.is_string()) {
            detail = "\"name\" is " + Described(name) + ", not a string";
        } else {
            detail = "\"name\" is empty";
        }
        return "invalid name: " + detail + "; the program needs a non-empty \"name\" string";
    }

    static std::string ModeFault(const Json& root) {
        const Json& mode = Member(Member(root, "settings"), "distribution-mode");
        return "invalid distribution mode: \"settings.distribution-mode\" is " + mode.dump() +
               "; it must be \"evergreen\" or \"fixed\", in lower case";
    }

    // Members of the wrong type, numbers the program reads otherwise than written, and known
    // members in the wrong object: all of them silently give a default.
    void CheckMembers(const Json& root) {
        static const PackageSettings defaults = Defaults();
        for (const std::string_view container : kContainers) {
            const std::string key(container);
            if (root.contains(key) && !root[key].is_object()) {
                Warning("package.json", MemberName("", container) + " is " + Described(root[key]) +
                                            ", not an object; every member under it takes "
                                            "its default");
            }
        }
        for (const MemberRule& rule : kMembers) {
            const Json& container =
                rule.container.empty() ? root : Member(root, std::string(rule.container));
            const std::string name = MemberName(rule.container, rule.key);
            if (container.is_object() && container.contains(rule.key)) {
                const Json& value = container[std::string(rule.key)];
                if (!HasExpectedType(value, rule.expected)) {
                    Warning("package.json", name + " is " + Described(value) + ", not " +
                                                std::string(ExpectedName(rule.expected)) +
                                                "; the program uses the default, " +
                                                rule.fallback(defaults));
                } else if (rule.expected == Expected::Number) {
                    CheckWholeNumber(container, rule, name);
                }
            }
            CheckMisplaced(root, rule, name);
        }
    }

    static const Json& Member(const Json& object, const std::string& key) {
        static const Json kNull;
        return object.is_object() && object.contains(key) ? object[key] : kNull;
    }

    void CheckWholeNumber(const Json& container, const MemberRule& rule, const std::string& name) {
        const Json& value = container[std::string(rule.key)];
        const std::int32_t used = GetInt(container, rule.key, 0);
        bool exact = true;
        if (value.is_number_unsigned()) {
            exact = used >= 0 && value.get<std::uint64_t>() == std::uint64_t(used);
        } else if (value.is_number_integer()) {
            exact = value.get<std::int64_t>() == used;
        } else {
            exact = value.get<double>() == double(used);
        }
        if (!exact) {
            Warning("package.json", name + " is " + value.dump() + "; the program uses " +
                                        std::to_string(used) +
                                        " (whole numbers only, of at most 32 bits)");
        }
    }

    void CheckMisplaced(const Json& root, const MemberRule& rule, const std::string& name) {
        const std::string key(rule.key);
        if (!rule.container.empty() && root.is_object() && root.contains(key)) {
            Warning("package.json", MemberName("", rule.key) +
                                        " at the top level is ignored; the program reads " + name);
        }
        for (const std::string_view container : kContainers) {
            const Json& object = Member(root, std::string(container));
            if (container != rule.container && object.is_object() && object.contains(key)) {
                Warning("package.json",
                        MemberName(container, rule.key) + " is ignored; the program reads " + name);
            }
        }
    }

    // The members pack writes into the program's version information.
    void CheckBranding(const Json& root, const std::string& text) {
        auto at = [&](std::string_view key) {
            const std::optional<std::size_t> value = TopLevelValueAt(text, key);
            return value ? PositionOfByte(text, *value) : TextPosition{0, 0};
        };
        auto present = [&](const char* key) { return root.is_object() && root.contains(key); };
        const Json& version = Member(root, "version");
        if (present("version") &&
            !(version.is_string() && ParseVersion(version.get<std::string>()))) {
            Add(Severity::Error, "package.json",
                "\"version\" is " + (version.is_string() ? version.dump() : Described(version)) +
                    ", not a version such as \"1.2.3\": up to four whole numbers from 0 to 65535 "
                    "between dots, optionally followed by -suffix or +suffix",
                at("version"));
        }
        const Json& author = Member(root, "author");
        if (present("author") && AuthorName(author).empty()) {
            Add(Severity::Warning, "package.json",
                "\"author\" holds no name (a string such as \"Name <mail> (web site)\", or an "
                "object with a \"name\" string); the program names no company",
                at("author"));
        }
        const Json& copyright = Member(root, "copyright");
        if (present("copyright") && !copyright.is_string()) {
            Add(Severity::Warning, "package.json",
                "\"copyright\" is " + Described(copyright) +
                    ", not a string; the program states no copyright",
                at("copyright"));
        }
    }

    // The program keeps the browser's data in a folder named after the app; a backslash in the
    // name makes nested folders.
    void CheckNameAsFolder(const std::u16string& name) {
        const std::u16string folders = ReplaceAll(name, u"\\", u"/");
        if (!IsConfinedRequestPath(folders)) {
            Warning("package.json", "\"name\" " + Quoted(name) +
                                        " cannot be a Windows folder name (" +
                                        WindowsNameProblem(WideToUtf8(folders)) +
                                        "); the program keeps the browser's data in a folder "
                                        "of that name");
        }
    }

    void CheckContent(const std::optional<PackageSettings>& settings) {
        const fs::path www = app_ / "www";
        std::error_code error;
        if (!fs::exists(www, error)) {
            Error("www", "missing: the program serves the app from the www folder");
            return;
        }
        if (!fs::is_directory(www, error)) {
            Error("www", "not a folder: the program serves the app from the www folder");
            return;
        }
        if (settings) {
            CheckStartPage(www, settings->mainPage);
        }
        std::vector<FolderEntry> entries;
        try {
            entries = ListFolder(www);
        } catch (const fs::filesystem_error& failure) {
            Error("www", std::string("cannot be read: ") + failure.what());
            return;
        }
        CheckNames(entries);
        if (settings) {
            CheckGameExport(www, entries, *settings);
        }
    }

    // What game engines' web exports need: compressed builds are served decoded, threads need
    // cross-origin isolation, and isolation blocks other origins' content that does not opt in.
    void CheckGameExport(const fs::path& www, const std::vector<FolderEntry>& entries,
                         const PackageSettings& settings) {
        std::map<std::string, std::vector<std::string>> builds;  // loader: its compressed files
        std::vector<std::string> threaded;
        MappedFileCache cache(PlatformFileAccess());
        for (const FolderEntry& entry : entries) {
            if (entry.kind != FolderEntry::Kind::File || entry.relative.empty()) {
                continue;
            }
            const std::u16string path = Utf8ToWide(entry.relative);
            std::u16string loader;
            const std::optional<Compression> compression =
                BuildFileCompression(path, [&](std::u16string_view name) {
                    loader = name;
                    std::error_code error;
                    return fs::is_regular_file(www / PathFromUtf8(WideToUtf8(name)), error);
                });
            if (compression) {
                builds["www/" + WideToUtf8(loader)].push_back(Utf8Path(entry.path.filename()));
            }
            const std::u16string_view decoded =
                compression ? std::u16string_view(path).substr(0, path.size() - 3) : path;
            if (decoded.ends_with(u".wasm") &&
                ImportsSharedMemory(ReadWasmStart(entry.path, path, compression, cache))) {
                threaded.push_back("www/" + entry.relative);
            }
        }
        for (const auto& [loader, files] : builds) {
            std::string names;
            for (const std::string& name : files) {
                names += (names.empty() ? "" : ", ") + name;
            }
            Add(Severity::Note, loader,
                "a compressed build (" + names +
                    "): the program serves these files decoded, with the type of their name "
                    "without .gz or .br, as this loader expects of a web server");
        }
        if (!settings.crossOriginIsolation) {
            for (const std::string& file : threaded) {
                Warning(file,
                        "a threaded build (its memory is shared between threads), which needs "
                        "SharedArrayBuffer: set \"settings\": {\"cross-origin-isolation\": "
                        "true} in package.json, or it stops at start");
            }
            return;
        }
        CheckCrossOriginEmbeds(www, settings.mainPage);
    }

    // The first bytes of a WebAssembly module, decoded when it is a compressed build's, enough
    // for the sections before its code.
    static std::string ReadWasmStart(const fs::path& file, const std::u16string& requestPath,
                                     std::optional<Compression> compression,
                                     MappedFileCache& cache) {
        constexpr std::size_t kLongest = std::size_t{4} << 20;
        std::string bytes(kLongest, '\0');
        std::size_t read = 0;
        if (compression) {
            const std::shared_ptr<const MappedFile> mapped =
                cache.GetMappedFile(requestPath, file.u16string());
            if (mapped) {
                DecodedReader reader(mapped, *compression, ByteRange{0, kLongest - 1});
                while (read < kLongest) {
                    const std::optional<std::size_t> got = reader.Read(
                        reinterpret_cast<std::byte*>(bytes.data() + read), kLongest - read);
                    if (!got || *got == 0) {
                        break;
                    }
                    read += *got;
                }
            }
        } else {
            std::ifstream in(file, std::ios::binary);
            in.read(bytes.data(), std::streamsize(kLongest));
            read = std::size_t(in.gcount());
        }
        bytes.resize(read);
        return bytes;
    }

    void CheckCrossOriginEmbeds(const fs::path& www, const std::u16string& mainPage) {
        const std::string page =
            WideToUtf8(RequestPathOf(std::u16string(VirtualOrigin) + BrowserPagePath(mainPage)));
        std::ifstream in(www / PathFromUtf8(page), std::ios::binary);
        const std::string html((std::istreambuf_iterator<char>(in)), {});
        static const std::regex embed(
            R"(<(iframe|frame|script|img|link|video|audio|source|embed|object)\b[^>]*?\s(src|href|data)\s*=\s*["']?((https?:)?//[^"'\s>]+))",
            std::regex::icase);
        for (auto it = std::sregex_iterator(html.begin(), html.end(), embed);
             it != std::sregex_iterator(); ++it) {
            const std::string tag = (*it)[1].str();
            const bool frame =
                tag.size() >= 5 && FoldedName(tag).find("frame") != std::string::npos;
            Add(Severity::Warning, "www/" + page,
                "loads " + (*it)[3].str() +
                    " from another origin: with \"cross-origin-isolation\" the browser blocks it "
                    "unless that server sends Cross-Origin-Resource-Policy or CORS headers" +
                    (frame ? ", and the framed page Cross-Origin-Embedder-Policy too" : ""),
                PositionOfByte(html, std::size_t(it->position(0))));
        }
    }

    void CheckStartPage(const fs::path& www, const std::u16string& mainPage) {
        const std::u16string folder = www.u16string() + char16_t(fs::path::preferred_separator);
        const std::u16string uri = std::u16string(VirtualOrigin) + BrowserPagePath(mainPage);
        MappedFileCache cache(PlatformFileAccess());
        const ResourceResponse answer =
            AnswerResourceRequest(uri, std::nullopt, folder, PlatformFileAccess(), cache);
        if (answer.status == 200) {
            return;
        }
        const std::string path = WideToUtf8(RequestPathOf(uri));
        std::string why;
        std::error_code error;
        if (path.empty()) {
            why = "it names the www folder itself, not a page in it";
        } else if (const std::string problem = WindowsNameProblem(path); !problem.empty()) {
            why = problem;
        } else if (fs::is_directory(www / PathFromUtf8(path), error)) {
            why = "www/" + path + " is a folder";
        } else {
            why = "www/" + path + " does not exist";
        }
        Error("package.json", "the start page " + Quoted(mainPage) + " cannot be served: " + why);
    }

    void CheckNames(const std::vector<FolderEntry>& entries) {
        std::map<std::string, std::string> byFoldedName;
        std::vector<std::string> reported;  // folders whose files need no report of their own
        for (const FolderEntry& entry : entries) {
            if (entry.relative.empty()) {
                const std::string bytes = Utf8Path(entry.path.lexically_relative(app_ / "www"));
                Error("www/" + WideToUtf8(Utf8ToWide(bytes)),
                      "the name is not valid Unicode: Windows cannot hold it");
                continue;
            }
            const std::string file = "www/" + entry.relative;
            if (StartsWithFolder(entry.relative, reported)) {
                continue;
            }
            if (entry.kind == FolderEntry::Kind::FolderLink) {
                Warning(file,
                        "a link to a folder: pack does not follow it, so the program "
                        "will not have its files");
                continue;
            }
            if (entry.kind == FolderEntry::Kind::Special) {
                Warning(file,
                        "neither a file nor a folder (a broken link, a pipe or a device): "
                        "pack leaves it out");
                continue;
            }
            const bool folder = entry.kind == FolderEntry::Kind::Folder;
            const std::string what = folder ? "the files in this folder" : "this file";
            if (const std::string problem = WindowsNameProblem(entry.relative); !problem.empty()) {
                Error(file, "the program can never serve " + what + ": " + problem);
                reported.push_back(entry.relative);
                continue;
            }
            const auto [first, added] = byFoldedName.emplace(FoldedName(entry.relative), file);
            if (!added) {
                Error(file, "differs from " + first->second +
                                " only in letter case: on Windows they are one name, and the "
                                "program can never serve " +
                                what);
                reported.push_back(entry.relative);
            }
        }
    }

    void CheckIcon(const PackageSettings& settings) {
        if (settings.iconPath.empty()) {
            return;
        }
        const std::string quoted = Quoted(settings.iconPath);
        const std::optional<std::string> icon = IconPath(settings);  // not empty here
        if (!IsInsideApp(*icon)) {
            Error("package.json", "the icon " + quoted +
                                      " must be a path inside the app folder, without a drive, "
                                      "a leading slash or \"..\"");
            return;
        }
        std::error_code error;
        if (!fs::is_regular_file(app_ / PathFromUtf8(*icon), error)) {
            Error(*icon, "the icon " + quoted + " does not exist");
            return;
        }
        std::string extension = FoldedName(Utf8Path(PathFromUtf8(*icon).extension()));
        if (std::find(kIconExtensions.begin(), kIconExtensions.end(), extension) ==
            kIconExtensions.end()) {
            Warning(*icon,
                    "not an image format the program can make an icon from (ICO, PNG, "
                    "BMP, GIF, JPEG, TIFF, WMF or EMF); the window gets no icon");
        }
    }

    void CheckRuntimeFolder(const PackageSettings& settings) {
        std::error_code error;
        const fs::path folder = app_ / "webview2";
        const bool present = fs::is_directory(folder, error);
        if (settings.distributionMode == DistributionMode::Fixed) {
            if (!present) {
                Error("webview2",
                      "missing: \"settings.distribution-mode\" is \"fixed\", and the "
                      "program starts only with a fixed runtime in this folder");
            } else if (!fs::exists(folder / "msedgewebview2.exe", error)) {
                Warning("webview2",
                        "holds no msedgewebview2.exe: a fixed runtime folder has it "
                        "at its top");
            }
        } else if (present) {
            Warning("webview2",
                    "not used and not packed: \"settings.distribution-mode\" is "
                    "\"evergreen\", so the program uses the system-wide runtime");
        }
    }

    fs::path app_;
    CheckResult result_;
};

}  // namespace

std::optional<std::string> IconPath(const PackageSettings& settings) {
    if (settings.iconPath.empty()) {
        return std::nullopt;
    }
    return WideToUtf8(ReplaceAll(settings.iconPath, u"\\", u"/"));
}

std::vector<FolderEntry> ListFolder(const fs::path& folder) {
    std::vector<FolderEntry> entries;
    for (const fs::directory_entry& item : fs::recursive_directory_iterator(folder)) {
        FolderEntry entry;
        entry.path = item.path();
        entry.relative = RelativeName(item.path(), folder).value_or("");
        std::error_code error;
        if (item.is_symlink(error) && item.is_directory(error)) {
            entry.kind = FolderEntry::Kind::FolderLink;
        } else if (item.is_directory(error)) {
            entry.kind = FolderEntry::Kind::Folder;
        } else if (item.is_regular_file(error)) {
            entry.kind = FolderEntry::Kind::File;
            entry.size = item.file_size();
        } else {
            entry.kind = FolderEntry::Kind::Special;
        }
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.path < b.path; });
    return entries;
}

CheckResult CheckApp(const fs::path& app) {
    return Checker(app).Run();
}

}  // namespace tessaly::tool
