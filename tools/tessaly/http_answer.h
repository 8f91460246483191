// How `tessaly serve` puts the content server's answers on the wire, and what it logs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/resource_response.h"

namespace tessaly::tool {

struct HttpHeader {
    std::string name;
    std::string value;
    friend bool operator==(const HttpHeader&, const HttpHeader&) = default;
};

// The URI the program's browser would ask the content server for: the virtual origin followed by
// the HTTP request target without its leading '/', decoded from UTF-8 as it came.
std::u16string VirtualUriOf(std::string_view target);

// The answer's header lines as HTTP headers, one for one and in order, split at the first ": ".
std::vector<HttpHeader> HttpHeadersOf(const ResourceResponse& answer);

// The body's length from the answer's Content-Length line, when it has one.
std::optional<std::uint64_t> ContentLengthOf(const ResourceResponse& answer);

// The headers sent: the answer's, then of those the HTTP library adds only the ones HTTP itself
// needs: Connection and Keep-Alive, and the Content-Length that frames a body when the answer
// has no such line (the "File not found" text, or no body at all).
std::vector<HttpHeader> WireHeaders(const std::vector<HttpHeader>& answer,
                                    const std::vector<HttpHeader>& added);

// One line of the request log, fields separated by tabs: method, target, Range header, status,
// Content-Range and Content-Length, with "-" for what the request or answer does not have.
std::string RequestLogLine(std::string_view method, std::string_view target,
                           const std::optional<std::string>& range, int status,
                           const std::vector<HttpHeader>& headers);

}  // namespace tessaly::tool
