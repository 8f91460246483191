#include "tessaly/http_answer.h"

#include <algorithm>
#include <charconv>

#include "base/text.h"

namespace tessaly::tool {
namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x - 'A' + 'a' : x) ==
                      (y >= 'A' && y <= 'Z' ? y - 'A' + 'a' : y);
           });
}

const HttpHeader* Find(const std::vector<HttpHeader>& headers, std::string_view name) {
    const auto found = std::find_if(headers.begin(), headers.end(),
                                    [name](const HttpHeader& h) { return SameName(h.name, name); });
    return found == headers.end() ? nullptr : &*found;
}

// A log field on one line: tabs and line ends in it would split the line's fields.
std::string OneLine(std::string_view text) {
    std::string line(text);
    std::replace_if(
        line.begin(), line.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }, ' ');
    return line;
}

}  // namespace

std::u16string VirtualUriOf(std::string_view target) {
    if (target.starts_with('/')) {
        target.remove_prefix(1);
    }
    return std::u16string(VirtualOrigin) + Utf8ToWide(target);
}

std::vector<HttpHeader> HttpHeadersOf(const ResourceResponse& answer) {
    std::vector<HttpHeader> headers;
    for (const std::u16string& line : answer.headerLines) {
        auto [name, value] = SplitHeaderLine(line);
        headers.push_back({std::move(name), std::move(value)});
    }
    return headers;
}

std::optional<std::uint64_t> ContentLengthOf(const ResourceResponse& answer) {
    const std::vector<HttpHeader> headers = HttpHeadersOf(answer);
    const HttpHeader* length = Find(headers, "Content-Length");
    if (!length) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    const auto [end, error] =
        std::from_chars(length->value.data(), length->value.data() + length->value.size(), value);
    if (error != std::errc() || end != length->value.data() + length->value.size()) {
        return std::nullopt;
    }
    return value;
}

std::vector<HttpHeader> WireHeaders(const std::vector<HttpHeader>& answer,
                                    const std::vector<HttpHeader>& added) {
    std::vector<HttpHeader> wire = answer;
    for (const HttpHeader& header : added) {
        const bool framing = SameName(header.name, "Content-Length") &&
                             !Find(answer, "Content-Length") && !Find(wire, "Content-Length");
        if (framing || SameName(header.name, "Connection") || SameName(header.name, "Keep-Alive")) {
            wire.push_back(header);
        }
    }
    return wire;
}

std::string RequestLogLine(std::string_view method, std::string_view target,
                           const std::optional<std::string>& range, int status,
                           const std::vector<HttpHeader>& headers) {
    const auto field = [&](std::string_view name) {
        const HttpHeader* header = Find(headers, name);
        return header ? header->value : std::string("-");
    };
    std::string line = OneLine(method);
    line.append("\t").append(OneLine(target));
    line.append("\t").append(range ? OneLine(*range) : "-");
    line.append("\t").append(std::to_string(status));
    line.append("\t").append(field("Content-Range"));
    line.append("\t").append(field("Content-Length"));
    return line;
}

}  // namespace tessaly::tool
