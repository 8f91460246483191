#include "tessaly/diagnostics.h"

#include <algorithm>

namespace tessaly::tool {
namespace {

std::string Counted(std::size_t count, std::string_view noun) {
    return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

std::string FormatDiagnostic(const std::filesystem::path& app, const Diagnostic& diagnostic) {
    std::string text = app.generic_string();
    if (!diagnostic.file.empty()) {
        if (!text.empty() && text.back() != '/') {
            text += '/';
        }
        text += diagnostic.file;
    }
    if (diagnostic.line > 0) {
        text += ':' + std::to_string(diagnostic.line) + ':' + std::to_string(diagnostic.column);
    }
    text += diagnostic.severity == Severity::Error     ? ": error: "
            : diagnostic.severity == Severity::Warning ? ": warning: "
                                                       : ": note: ";
    text += diagnostic.message;
    return text;
}

bool HasErrors(const std::vector<Diagnostic>& diagnostics) {
    return std::any_of(diagnostics.begin(), diagnostics.end(),
                       [](const Diagnostic& d) { return d.severity == Severity::Error; });
}

std::string CountSummary(const std::vector<Diagnostic>& diagnostics) {
    const auto errors =
        std::size_t(std::count_if(diagnostics.begin(), diagnostics.end(), [](const Diagnostic& d) {
            return d.severity == Severity::Error;
        }));
    const auto warnings =
        std::size_t(std::count_if(diagnostics.begin(), diagnostics.end(), [](const Diagnostic& d) {
            return d.severity == Severity::Warning;
        }));
    return Counted(errors, "error") + ", " + Counted(warnings, "warning");
}

TextPosition PositionOfByte(std::string_view text, std::size_t index) {
    index = std::min(index, text.size());
    std::size_t lineStart = 0;
    TextPosition position;
    for (std::size_t i = 0; i < index; ++i) {
        if (text[i] == '\n') {
            ++position.line;
            lineStart = i + 1;
        }
    }
    if (lineStart == 0 && text.starts_with("\xEF\xBB\xBF")) {
        lineStart = std::min<std::size_t>(3, index);
    }
    for (std::size_t i = lineStart; i < index; ++i) {
        if (!IsContinuationByte(text[i])) {
            ++position.column;
        }
    }
    return position;
}

}  // namespace tessaly::tool
