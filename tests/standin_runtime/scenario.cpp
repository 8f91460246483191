#include "scenario.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace tessaly::standin {
namespace {

constexpr std::array<std::string_view, 13> kPermissionKinds = {
    "unknown",          "microphone",    "camera",         "geolocation",
    "notifications",    "other-sensors", "clipboard-read", "multiple-automatic-downloads",
    "file-read-write",  "autoplay",      "local-fonts",    "midi-system-exclusive-messages",
    "window-management"};

constexpr std::array<std::string_view, 17> kResourceContexts = {
    "all",          "document",
    "stylesheet",   "image",
    "media",        "font",
    "script",       "xhr",
    "fetch",        "text-track",
    "event-source", "websocket",
    "manifest",     "signed-exchange",
    "ping",         "csp-violation-report",
    "other"};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

[[noreturn]] void Fail(int line, const std::string& what) {
    throw ScenarioError("line " + std::to_string(line) + ": " + what);
}

// Reads a quoted word starting at text[pos] == '"'; leaves pos after the closing quote.
std::string ReadQuoted(std::string_view text, std::size_t& pos, int line) {
    std::string word;
    ++pos;
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '"') {
            return word;
        }
        if (c != '\\') {
            word += c;
            continue;
        }
        if (pos >= text.size()) {
            break;
        }
        const char e = text[pos++];
        switch (e) {
            case '\\':
            case '"':
                word += e;
                break;
            case 'n':
                word += '\n';
                break;
            case 'r':
                word += '\r';
                break;
            case 't':
                word += '\t';
                break;
            case 'x': {
                const int high = pos < text.size() ? HexDigit(text[pos]) : -1;
                const int low = pos + 1 < text.size() ? HexDigit(text[pos + 1]) : -1;
                if (high < 0 || low < 0) {
                    Fail(line, "\\x needs two hexadecimal digits");
                }
                word += char(high * 16 + low);
                pos += 2;
                break;
            }
            default:
                Fail(line, std::string("unknown escape \\") + e);
        }
    }
    Fail(line, "unclosed quote");
}

}  // namespace

std::vector<Step> ParseScenario(std::string_view text) {
    std::vector<Step> steps;
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;

        const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
        while (!line.empty() && isSpace(line.front())) {
            line.remove_prefix(1);
        }
        while (!line.empty() && isSpace(line.back())) {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }

        std::vector<std::string> words;
        std::size_t pos = 0;
        while (pos < line.size()) {
            if (isSpace(line[pos])) {
                ++pos;
            } else if (line[pos] == '"') {
                words.push_back(ReadQuoted(line, pos, lineNumber));
                if (pos < line.size() && !isSpace(line[pos])) {
                    Fail(lineNumber, "a quoted word must end at white space");
                }
            } else {
                const std::size_t wordStart = pos;
                while (pos < line.size() && !isSpace(line[pos])) {
                    ++pos;
                }
                words.emplace_back(line.substr(wordStart, pos - wordStart));
            }
        }
        Step step;
        step.command = words.front();
        step.args.assign(words.begin() + 1, words.end());
        step.line = lineNumber;
        step.text = std::string(line);
        steps.push_back(std::move(step));
    }
    return steps;
}

std::string Quote(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
            case '\\':
                quoted += "\\\\";
                break;
            case '"':
                quoted += "\\\"";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                    char escape[5];
                    std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(c));
                    quoted += escape;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + "\"";
}

std::string Hex32(std::uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

std::optional<std::int32_t> ParseHresult(std::string_view text) {
    static constexpr std::pair<std::string_view, std::uint32_t> kNames[] = {
        {"S_OK", 0},
        {"S_FALSE", 1},
        {"E_NOTIMPL", 0x80004001},
        {"E_NOINTERFACE", 0x80004002},
        {"E_POINTER", 0x80004003},
        {"E_ABORT", 0x80004004},
        {"E_FAIL", 0x80004005},
        {"E_ACCESSDENIED", 0x80070005},
        {"E_OUTOFMEMORY", 0x8007000E},
        {"E_INVALIDARG", 0x80070057},
    };
    for (const auto& [name, value] : kNames) {
        if (text == name) {
            return static_cast<std::int32_t>(value);
        }
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

bool WildcardMatch(std::string_view pattern, std::string_view text) {
    // Greedy with one back-track point: the last '*' seen and where its run currently ends.
    std::size_t p = 0;
    std::size_t t = 0;
    std::size_t star = std::string_view::npos;
    std::size_t starText = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            starText = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            t = ++starText;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

template <std::size_t N>
std::optional<int> IndexOf(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i] == name) {
            return int(i);
        }
    }
    return std::nullopt;
}

std::optional<int> PermissionKindFromName(std::string_view name) {
    return IndexOf(kPermissionKinds, name);
}

std::string PermissionKindName(int kind) {
    if (kind >= 0 && std::size_t(kind) < kPermissionKinds.size()) {
        return std::string(kPermissionKinds[std::size_t(kind)]);
    }
    return std::to_string(kind);
}

std::optional<int> ResourceContextFromName(std::string_view name) {
    return IndexOf(kResourceContexts, name);
}

std::string PermissionStateName(int state) {
    switch (state) {
        case 0:
            return "default";
        case 1:
            return "allow";
        case 2:
            return "deny";
        default:
            return std::to_string(state);
    }
}

}  // namespace tessaly::standin
