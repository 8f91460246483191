// What `tessaly check` finds wrong with an app, and how it is printed.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::tool {

enum class Severity {
    Note,     // how the program will treat something; nothing to fix
    Warning,  // the program runs, but not as the author probably meant
    Error,    // the program cannot start, or parts of the app can never be served
};

struct Diagnostic {
    Severity severity = Severity::Error;
    // The file concerned, relative to the app folder with '/' separators ("package.json",
    // "www/a.png"); empty for the app folder itself.
    std::string file;
    int line = 0;  // 1-based; 0 when the position is not known
    int column = 0;
    std::string message;
};

// "APP/FILE:LINE:COLUMN: error: MESSAGE", with the parts that are known.
std::string FormatDiagnostic(const std::filesystem::path& app, const Diagnostic& diagnostic);

bool HasErrors(const std::vector<Diagnostic>& diagnostics);

// "1 error, 2 warnings" and the like.
std::string CountSummary(const std::vector<Diagnostic>& diagnostics);

struct TextPosition {
    int line = 1;
    int column = 1;
};

// The 1-based line and column of the byte at `index` in UTF-8 `text`. Columns count characters,
// not bytes; a byte-order mark at the start of the text takes no column. An index past the end
// gives the position just after the last character.
TextPosition PositionOfByte(std::string_view text, std::size_t index);

}  // namespace tessaly::tool
