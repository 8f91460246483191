#include "server/resource_response.h"

#include <array>
#include <charconv>

#include "base/text.h"
#include "server/byte_range.h"
#include "server/content_types.h"
#include "server/span_reader.h"

namespace tessaly {
namespace {

constexpr std::u16string_view kCacheControl = u"Cache-Control: no-store";
constexpr std::u16string_view kContentLength = u"Content-Length: ";
constexpr std::u16string_view kContentRange = u"Content-Range: bytes ";

std::u16string Decimal(std::uint64_t value) {
    std::array<char, 24> digits;
    const auto end = std::to_chars(digits.data(), digits.data() + digits.size(), value).ptr;
    return std::u16string(digits.data(), end);
}

int HexValue(char16_t unit) {
    if (unit >= u'0' && unit <= u'9') {
        return unit - u'0';
    }
    if (unit >= u'a' && unit <= u'f') {
        return unit - u'a' + 10;
    }
    if (unit >= u'A' && unit <= u'F') {
        return unit - u'A' + 10;
    }
    return -1;
}

// The byte of the escape at `at`, or -1 when no %XX starts there.
int EscapedByte(std::u16string_view text, std::size_t at) {
    if (at + 2 >= text.size() || text[at] != u'%') {
        return -1;
    }
    const int high = HexValue(text[at + 1]);
    const int low = HexValue(text[at + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// How many bytes a UTF-8 sequence with this lead byte has; 0 for a byte that leads none.
std::size_t Utf8Length(int lead) {
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

bool EndsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view lowerEnd);

bool EqualsIgnoringAsciiCase(std::u16string_view text, std::u16string_view lower) {
    if (text.size() != lower.size()) {
        return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t unit = text[i];
        if (unit >= u'A' && unit <= u'Z') {
            unit = char16_t(unit - u'A' + u'a');
        }
        if (unit != lower[i]) {
            return false;
        }
    }
    return true;
}

bool EndsWithIgnoringAsciiCase(std::u16string_view text, std::u16string_view lowerEnd) {
    return text.size() >= lowerEnd.size() &&
           EqualsIgnoringAsciiCase(text.substr(text.size() - lowerEnd.size()), lowerEnd);
}

// Windows opens a device, not a file, for these names, with any extension after them.
bool IsDeviceName(std::u16string_view segment) {
    std::u16string_view base = segment.substr(0, segment.find(u'.'));
    while (!base.empty() && base.back() == u' ') {
        base.remove_suffix(1);
    }
    for (const std::u16string_view device :
         {u"con", u"prn", u"aux", u"nul", u"conin$", u"conout$", u"clock$"}) {
        if (EqualsIgnoringAsciiCase(base, device)) {
            return true;
        }
    }
    if (base.size() == 4 && (EqualsIgnoringAsciiCase(base.substr(0, 3), u"com") ||
                             EqualsIgnoringAsciiCase(base.substr(0, 3), u"lpt"))) {
        const char16_t digit = base[3];
        // Superscript one, two and three count as digits here too.
        return (digit >= u'0' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' ||
               digit == u'\u00B3';
    }
    return false;
}

bool IsOrdinaryFileName(std::u16string_view segment) {
    if (segment.empty() || segment.back() == u'.' || segment.back() == u' ') {
        return false;
    }
    for (const char16_t unit : segment) {
        if (unit < 0x20 ||
            std::u16string_view(u"<>:\"\\|?*").find(unit) != std::u16string_view::npos) {
            return false;
        }
    }
    return !IsDeviceName(segment);
}

ResourceResponse NotFound(ResourceResponse response) {
    response.status = 404;
    response.reason = u"Not Found";
    response.body = BodyKind::NotFoundText;
    return response;
}

void RemoveLinesStartingWith(std::vector<std::u16string>& lines, std::u16string_view start) {
    std::erase_if(lines, [start](const std::u16string& line) { return line.starts_with(start); });
}

}  // namespace

std::u16string PercentUnescape(std::u16string_view escaped) {
    std::u16string decoded;
    decoded.reserve(escaped.size());
    std::string sequence;
    for (std::size_t i = 0; i < escaped.size();) {
        const int byte = EscapedByte(escaped, i);
        if (byte < 0) {
            decoded.push_back(escaped[i++]);
            continue;
        }
        const std::size_t length = Utf8Length(byte);
        if (length > 0) {
            sequence.clear();
            for (std::size_t k = 0; k < length; ++k) {
                const int next = EscapedByte(escaped, i + 3 * k);
                if (next < 0) {
                    break;
                }
                sequence.push_back(char(next));
            }
            // Well-formed exactly when the conversion gives the same bytes back; an ill-formed
            // sequence would come back with a replacement character in it.
            if (sequence.size() == length) {
                const std::u16string characters = Utf8ToWide(sequence);
                if (WideToUtf8(characters) == sequence) {
                    decoded += characters;
                    i += 3 * length;
                    continue;
                }
            }
        }
        decoded.push_back(char16_t(byte));
        i += 3;
    }
    if (decoded.size() > kMaxDecodedPath) {
        decoded.assign(escaped);
    }
    if (const auto zero = decoded.find(u'\0'); zero != std::u16string::npos) {
        decoded.resize(zero);
    }
    return decoded;
}

std::u16string RequestPathOf(std::u16string_view uri) {
    std::u16string_view rest = uri.substr(std::min(uri.size(), VirtualOrigin.size()));
    rest = rest.substr(0, rest.find_first_of(u"?#"));
    return PercentUnescape(rest);
}

bool IsConfinedRequestPath(std::u16string_view requestPath) {
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = requestPath.find(u'/', start);
        if (!IsOrdinaryFileName(requestPath.substr(start, slash - start))) {
            return false;
        }
        if (slash == std::u16string_view::npos) {
            return true;
        }
        start = slash + 1;
    }
}

std::optional<Compression> BuildFileCompression(
    std::u16string_view requestPath, const std::function<bool(std::u16string_view)>& loaderExists) {
    std::optional<Compression> compression;
    if (EndsWithIgnoringAsciiCase(requestPath, u".gz")) {
        compression = Compression::Gzip;
    } else if (EndsWithIgnoringAsciiCase(requestPath, u".br")) {
        compression = Compression::Brotli;
    } else {
        return std::nullopt;
    }
    const std::u16string_view decoded = requestPath.substr(0, requestPath.size() - 3);
    for (const std::u16string_view part :
         {u".framework.js", u".wasm", u".data", u".symbols.json"}) {
        if (EndsWithIgnoringAsciiCase(decoded, part)) {
            const std::u16string loader =
                std::u16string(decoded.substr(0, decoded.size() - part.size())) + u".loader.js";
            return loaderExists(loader) ? compression : std::nullopt;
        }
    }
    return std::nullopt;
}

ResourceResponse AnswerResourceRequest(std::u16string_view uri,
                                       std::optional<std::u16string_view> range,
                                       const std::u16string& contentFolder, FileAccess& files,
                                       MappedFileCache& cache, const AnswerOptions& options) {
    const std::u16string requestPath = RequestPathOf(uri);
    ResourceResponse response;
    response.headerLines.emplace_back(kCacheControl);
    if (options.crossOriginIsolation) {
        response.headerLines.insert(response.headerLines.end(), std::begin(kIsolationHeaderLines),
                                    std::end(kIsolationHeaderLines));
    }
    if (!IsConfinedRequestPath(requestPath)) {
        return NotFound(std::move(response));
    }
    const std::u16string separator(
        1, !contentFolder.empty() && contentFolder.back() == u'/' ? u'/' : u'\\');
    const auto fileOf = [&](std::u16string_view path) {
        return contentFolder + ReplaceAll(path, u"/", separator);
    };
    std::u16string filePath = fileOf(requestPath);
    const FileStatus status = files.Status(filePath);
    if (status.kind != FileKind::RegularFile) {
        return NotFound(std::move(response));
    }
    const std::optional<Compression> compression =
        BuildFileCompression(requestPath, [&](std::u16string_view loader) {
            return files.Status(fileOf(loader)).kind == FileKind::RegularFile;
        });
    // The name without ".gz" or ".br" gives a decoded file its type.
    const std::u16string_view typedPath =
        compression ? std::u16string_view(requestPath).substr(0, requestPath.size() - 3)
                    : std::u16string_view(requestPath);
    response.headerLines.push_back(u"Content-Type: " + ContentTypeForPath(typedPath));
    response.headerLines.emplace_back(u"Accept-Ranges: bytes");

    std::uint64_t size = status.size;
    std::shared_ptr<const MappedFile> file;
    if (compression) {
        // The decoded size is measured once per cached file, by decoding all of it.
        file = cache.GetMappedFile(requestPath, filePath);
        std::optional<std::uint64_t> decodedSize = file ? file->decodedSize() : std::nullopt;
        if (file && !decodedSize) {
            decodedSize = MeasureDecodedSize(file, *compression);
            if (decodedSize) {
                file->RememberDecodedSize(*decodedSize);
            }
        }
        if (!decodedSize) {
            AnswerBodyUnavailable(response);
            return response;
        }
        size = *decodedSize;
    }
    const auto decodedBody = [&](ByteRange span) {
        response.body = size > 0 ? BodyKind::Decoded : BodyKind::None;
        response.file = std::move(file);
        response.span = span;
        response.compression = *compression;
    };

    if (!range) {
        response.status = 200;
        response.reason = u"OK";
        response.headerLines.push_back(std::u16string(kContentLength) + Decimal(size));
        if (compression) {
            decodedBody(ByteRange{0, size - 1});
            return response;
        }
        response.body = BodyKind::WholeFile;
        response.filePath = std::move(filePath);
        return response;
    }

    const ByteRangeResult parsed = ParseByteRange(*range, size);
    if (parsed.verdict != RangeVerdict::Satisfiable) {
        response.status = 416;
        response.reason = u"Range Not Satisfiable";
        return response;
    }
    ByteRange span = parsed.span;
    if (parsed.form == RangeForm::OpenEnded && span.count() > kMaxOpenEndedSpan) {
        span.last = span.first + kMaxOpenEndedSpan - 1;
    }
    response.status = 206;
    response.reason = u"Partial Content";
    response.headerLines.push_back(std::u16string(kContentRange) + Decimal(span.first) + u"-" +
                                   Decimal(span.last) + u"/" + Decimal(size));
    response.headerLines.push_back(std::u16string(kContentLength) + Decimal(span.count()));
    if (compression) {
        decodedBody(span);
        return response;
    }
    if (span.count() == size) {
        response.body = BodyKind::WholeFile;
        response.filePath = std::move(filePath);
        return response;
    }
    file = cache.GetMappedFile(requestPath, filePath);
    // The file may be shorter than the size queried a moment ago if it changed between.
    if (!file || span.last >= file->size() || !CanViewSpanStart(*file, span)) {
        AnswerBodyUnavailable(response);
        return response;
    }
    response.body = BodyKind::Span;
    response.file = std::move(file);
    response.span = span;
    return response;
}

void AnswerBodyUnavailable(ResourceResponse& response) {
    response.status = 500;
    response.reason = u"Internal Server Error";
    RemoveLinesStartingWith(response.headerLines, kContentLength);
    RemoveLinesStartingWith(response.headerLines, u"Content-Range: ");
    response.body = BodyKind::None;
    response.filePath.clear();
    response.file.reset();
    response.span = {};
}

HeaderField SplitHeaderLine(std::u16string_view line) {
    const std::string text = WideToUtf8(line);
    const std::size_t colon = text.find(": ");
    return {text.substr(0, colon), colon == std::string::npos ? "" : text.substr(colon + 2)};
}

std::u16string JoinHeaderLines(const std::vector<std::u16string>& lines) {
    std::u16string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            text.push_back(u'\n');
        }
        text += lines[i];
    }
    return text;
}

}  // namespace tessaly
