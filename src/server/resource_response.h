// The answer to one request under the virtual origin, decided from the request URI, its Range
// header, the content folder and the mapped file cache. The browser glue only fetches those
// inputs and hands the finished answer over.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/byte_range.h"
#include "server/decoded_reader.h"
#include "server/file_access.h"
#include "server/mapped_file_cache.h"

namespace tessaly {

// The origin every served file lives under. ".example" is reserved and never resolves, so no
// request to it can reach a network even if it escaped the request filter.
inline constexpr std::u16string_view VirtualOrigin = u"https://tessaly.example/";

// The body sent with "404 Not Found", without a terminating zero.
inline constexpr std::string_view kNotFoundBody = "File not found";

// The longest decoded request path, in UTF-16 units; a longer one is looked up still escaped.
inline constexpr std::size_t kMaxDecodedPath = 2047;

// The longest span sent for an open-ended range ('bytes=N-'). The browser runtime reads a
// response's stream whole into its own memory before sending it, and a 32-bit process runs out
// of memory at single responses of about 120 MB. 8 MiB keeps one answer far from that while
// still holding a typical song, or several seconds of HD video, so media elements rarely need
// a second request; they ask for the rest themselves when they need it.
inline constexpr std::uint64_t kMaxOpenEndedSpan = std::uint64_t{8} << 20;

enum class BodyKind {
    None,
    NotFoundText,  // kNotFoundBody
    WholeFile,     // streamed from `filePath`
    Span,          // `span` of `file`, read with a SpanReader
    Decoded,       // `span` of the bytes `file` decodes to, read with a DecodedReader
};

struct ResourceResponse {
    int status = 0;
    std::u16string_view reason;
    // Complete header lines (name, colon, space, value), in the order they are sent.
    std::vector<std::u16string> headerLines;
    BodyKind body = BodyKind::None;
    std::u16string filePath;
    std::shared_ptr<const MappedFile> file;
    ByteRange span;
    Compression compression = Compression::Gzip;  // of `file`, for a Decoded body
};

// What the app's package.json asks of every answer.
struct AnswerOptions {
    // "settings"/"cross-origin-isolation": every answer carries kIsolationHeaderLines, so that
    // pages and workers are cross-origin isolated and may use SharedArrayBuffer.
    bool crossOriginIsolation = false;
};

inline constexpr std::u16string_view kIsolationHeaderLines[] = {
    u"Cross-Origin-Opener-Policy: same-origin",
    u"Cross-Origin-Embedder-Policy: require-corp",
};

// Whether a request path names a file of a compressed web build that the build's loader expects
// the server to decode: "DIR/NAME.framework.js", "DIR/NAME.wasm", "DIR/NAME.data" or
// "DIR/NAME.symbols.json" followed by ".gz" or ".br" (letters in any case), with
// "DIR/NAME.loader.js" beside it (`loaderExists` is asked about that path). That is the layout
// of Unity's web builds, whose loader fetches these names and needs the decoded bytes. Any other
// compressed file (an archive the app unpacks itself) is served as it is.
std::optional<Compression> BuildFileCompression(
    std::u16string_view requestPath, const std::function<bool(std::u16string_view)>& loaderExists);

// The request path of `uri`: the text after the virtual origin, cut at its first raw '?' or '#'
// (cache-busting queries and fragments name no file), then percent-unescaped.
std::u16string RequestPathOf(std::u16string_view uri);

// Decodes each run of %XX escapes that spells well-formed UTF-8 as those characters, and every
// other escape as the one UTF-16 unit of its value; other units are copied. A result longer
// than kMaxDecodedPath gives the text back still escaped. The result ends at its first zero unit.
std::u16string PercentUnescape(std::u16string_view escaped);

// True when the decoded request path names a file strictly inside the content folder however
// Windows reads it: '/'-separated segments that are each an ordinary file name. That rules out
// empty segments (so absolute, UNC and trailing-slash forms), ".", "..", names Windows would
// shorten (a trailing dot or space), backslashes, colons (drive letters and alternate data
// streams), wildcards, other characters Windows forbids in names, and device names.
bool IsConfinedRequestPath(std::u16string_view requestPath);

// The whole answer to a request. `range` is the Range header's value when the request has one.
// `contentFolder` ends with the platform's separator, which also joins the path's segments.
ResourceResponse AnswerResourceRequest(std::u16string_view uri,
                                       std::optional<std::u16string_view> range,
                                       const std::u16string& contentFolder, FileAccess& files,
                                       MappedFileCache& cache, const AnswerOptions& options = {});

// Turns an answer whose body cannot be made (no stream, or no view of the span) into "500
// Internal Server Error" with no body; the Content-Length and Content-Range lines go, since no
// bytes follow.
void AnswerBodyUnavailable(ResourceResponse& response);

// A header line's name and value in UTF-8, split at its first ": "; the value is empty when the
// line has none.
struct HeaderField {
    std::string name;
    std::string value;
};
HeaderField SplitHeaderLine(std::u16string_view line);

// The header lines joined by single line feeds, with nothing after the last.
std::u16string JoinHeaderLines(const std::vector<std::u16string>& lines);

}  // namespace tessaly
