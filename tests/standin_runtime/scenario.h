// The stand-in runtime's text formats, kept free of Windows so they can be tested natively:
// scenario lines in, log values out. README.md beside this file describes both formats.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::standin {

// One scenario line: a command word, its arguments with quotes and escapes removed, and where it
// came from, for the log.
struct Step {
    std::string command;
    std::vector<std::string> args;
    int line = 0;
    std::string text;  // the line as written, without surrounding white space
};

class ScenarioError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Splits a scenario text (UTF-8) into steps. Blank lines and lines starting with '#' are
// skipped. Words are separated by spaces or tabs; a word in double quotes may hold spaces and
// the escapes \\ \" \n \r \t and \xHH. Throws ScenarioError, naming the line, for an unclosed
// quote or a bad escape.
std::vector<Step> ParseScenario(std::string_view text);

// A log value: the text in double quotes with backslash, double quote and control characters
// escaped the way ParseScenario reads them back. Bytes from 0x80 up pass unchanged (UTF-8).
std::string Quote(std::string_view text);

// "0x" and eight upper-case hexadecimal digits.
std::string Hex32(std::uint32_t value);

// An HRESULT written as S_OK, S_FALSE, E_FAIL, E_ABORT, E_NOTIMPL, E_INVALIDARG,
// E_ACCESSDENIED, E_OUTOFMEMORY, E_NOINTERFACE, E_POINTER or as a number (decimal or 0x...).
std::optional<std::int32_t> ParseHresult(std::string_view text);

// Whether `text` matches `pattern`, where '*' stands for any run of characters (also none) and
// every other character for itself, case-sensitively: the request filter rule.
bool WildcardMatch(std::string_view pattern, std::string_view text);

// The permission kinds by their short names ("camera", "clipboard-read", ...), and back. An
// unknown name reads as nothing; an unknown value prints as its number.
std::optional<int> PermissionKindFromName(std::string_view name);
std::string PermissionKindName(int kind);

// The resource contexts of a request by their short names ("all", "document", "media", "fetch",
// "other", ...); an unknown name reads as nothing.
std::optional<int> ResourceContextFromName(std::string_view name);

// "default", "allow", "deny", or the number for any other value.
std::string PermissionStateName(int state);

}  // namespace tessaly::standin
