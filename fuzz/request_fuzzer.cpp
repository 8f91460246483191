// Fuzzes the answer to a request, from the URI text through to the body. Input: the text after
// the virtual origin, in UTF-8; a first line feed, when there is one, starts the Range value.
// The file system is a stand-in in which every name exists, so that every answer is reachable;
// each path the server asks about is checked to resolve, the way Windows resolves paths, to a
// file inside the content folder.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "base/text.h"
#include "server/byte_range.h"
#include "server/resource_response.h"

namespace {

using namespace tessaly;

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

const std::u16string kFolder = u"C:\\app\\www\\";

// Lower-case ASCII, for comparing device names.
std::u16string Lower(std::u16string_view text) {
    std::u16string lower(text);
    for (auto& unit : lower) {
        if (unit >= u'A' && unit <= u'Z') {
            unit = char16_t(unit - u'A' + u'a');
        }
    }
    return lower;
}

bool IsDevice(std::u16string_view component) {
    std::u16string base = Lower(component.substr(0, component.find(u'.')));
    while (!base.empty() && base.back() == u' ') {
        base.pop_back();
    }
    for (const auto* device : {u"con", u"prn", u"aux", u"nul", u"conin$", u"conout$", u"clock$"}) {
        if (base == device) {
            return true;
        }
    }
    return base.size() == 4 && (base.starts_with(u"com") || base.starts_with(u"lpt")) &&
           ((base[3] >= u'0' && base[3] <= u'9') || base[3] == u'\u00B9' || base[3] == u'\u00B2' ||
            base[3] == u'\u00B3');
}

// Walks the path as Windows would after the content folder: '/' and '\' both separate, "." stays,
// a component that is ".." once Windows drops trailing dots and spaces goes up. It must never
// climb out, and must never name a stream, a drive or a device.
bool ResolvesInsideFolder(const std::u16string& path) {
    if (!path.starts_with(kFolder) || path.find(u'\0') != std::u16string::npos) {
        return false;
    }
    const std::u16string_view rest = std::u16string_view(path).substr(kFolder.size());
    int depth = 0;
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find_first_of(u"\\/", start);
        if (end == std::u16string_view::npos) {
            end = rest.size();
        }
        const std::u16string_view component = rest.substr(start, end - start);
        std::u16string_view spaceless = component;
        while (!spaceless.empty() && spaceless.back() == u' ') {
            spaceless.remove_suffix(1);
        }
        if (component.find(u':') != std::u16string_view::npos || IsDevice(component)) {
            return false;
        }
        if (spaceless.find_first_not_of(u'.') == std::u16string_view::npos &&
            spaceless.size() >= 2) {
            if (--depth < 0) {
                return false;
            }
        } else if (!spaceless.empty() && spaceless != u".") {
            ++depth;
        }
        start = end + 1;
    }
    return depth > 0;
}

// What every view shows: bytes that neither gzip nor brotli can decode, so that a compressed
// build's file is found undecodable at once, whatever its size. Long enough for the largest
// view the server makes (a whole small file, or a read window and its alignment lead), since
// the server reads the bytes of such files while it answers.
const std::vector<std::byte> contents(kWholeViewLimit + kViewAlignment, std::byte{0xFF});

constexpr std::array<std::uint64_t, 8> kSizes = {0,
                                                 1,
                                                 2,
                                                 1000,
                                                 kMaxOpenEndedSpan,
                                                 kMaxOpenEndedSpan + 1,
                                                 kWholeViewLimit + 1,
                                                 (std::uint64_t{5} << 30) + 7};

std::size_t Hash(const std::u16string& path) {
    return std::hash<std::u16string>()(path);
}

class CheckedFiles final : public FileAccess {
  public:
    FileStatus Status(const std::u16string& path) override {
        Require(ResolvesInsideFolder(path));
        const std::size_t hash = Hash(path);
        if (hash % 11 == 0) {
            return {};
        }
        if (hash % 11 == 1) {
            return {FileKind::Other, 0};
        }
        return {FileKind::RegularFile, kSizes[hash % kSizes.size()]};
    }
    std::optional<FileMapping> Open(const std::u16string& path) override {
        Require(ResolvesInsideFolder(path));
        const std::uint64_t size = kSizes[Hash(path) % kSizes.size()];
        if (size == 0 || Hash(path) % 13 == 0) {
            return std::nullopt;
        }
        ++open;
        return FileMapping{1, 2, size};
    }
    const std::byte* MapView(const FileMapping& file, std::uint64_t offset,
                             std::size_t length) override {
        Require(offset % kViewAlignment == 0 && length > 0 && offset + length <= file.size);
        Require(length <= contents.size());
        ++views;
        return contents.data();
    }
    void UnmapView(const std::byte*, std::size_t) override { --views; }
    void Close(const FileMapping&) override { --open; }

    int open = 0;
    int views = 0;
};

std::u16string Line(std::u16string_view name, std::uint64_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(name) + std::u16string(digits.begin(), digits.end());
}

void CheckAnswer(const ResourceResponse& answer, const std::optional<std::u16string>& range) {
    Require(!answer.headerLines.empty() && answer.headerLines[0] == u"Cache-Control: no-store");
    const auto& lines = answer.headerLines;
    switch (answer.status) {
        case 404:
            Require(answer.reason == u"Not Found" && lines.size() == 1 &&
                    answer.body == BodyKind::NotFoundText);
            return;
        case 416:
            Require(answer.reason == u"Range Not Satisfiable" && lines.size() == 3 &&
                    answer.body == BodyKind::None);
            return;
        case 200:
            Require(answer.reason == u"OK" && lines.size() == 4 &&
                    answer.body == BodyKind::WholeFile && ResolvesInsideFolder(answer.filePath));
            return;
        case 500:
            // No Content-Range or Content-Length: no bytes follow.
            Require(answer.reason == u"Internal Server Error" && lines.size() == 3 &&
                    answer.body == BodyKind::None);
            return;
        case 206:
            break;
        default:
            Require(false);
    }
    Require(answer.reason == u"Partial Content" && lines.size() == 5 && range);
    // The file's size closes the Content-Range line; the range read against it must give the
    // span sent, shortened to the cap only when it is open-ended.
    const std::string total = WideToUtf8(lines[3].substr(lines[3].rfind(u'/') + 1));
    const ByteRangeResult parsed = ParseByteRange(*range, std::stoull(total));
    Require(parsed.verdict == RangeVerdict::Satisfiable);
    std::uint64_t count = parsed.span.count();
    if (parsed.form == RangeForm::OpenEnded && count > kMaxOpenEndedSpan) {
        count = kMaxOpenEndedSpan;
    }
    Require(lines[4] == Line(u"Content-Length: ", count));
    if (answer.body == BodyKind::WholeFile) {
        Require(ResolvesInsideFolder(answer.filePath) && count == std::stoull(total));
        return;
    }
    Require(answer.body == BodyKind::Span && answer.file && answer.span.count() == count &&
            answer.span.last < answer.file->size());
    Require(lines[3].starts_with(Line(u"Content-Range: bytes ", answer.span.first) +
                                 Line(u"-", answer.span.last) + u"/"));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t feed = input.find('\n');
    const std::u16string uri = std::u16string(VirtualOrigin) + Utf8ToWide(input.substr(0, feed));
    std::optional<std::u16string> range;
    if (feed != std::string_view::npos) {
        range = Utf8ToWide(input.substr(feed + 1));
    }

    CheckedFiles files;
    {
        MappedFileCache cache(files);
        const ResourceResponse answer = AnswerResourceRequest(
            uri, range ? std::optional<std::u16string_view>(*range) : std::nullopt, kFolder, files,
            cache);
        CheckAnswer(answer, range);
        // The same request again is answered the same way from the cache.
        const ResourceResponse again = AnswerResourceRequest(
            uri, range ? std::optional<std::u16string_view>(*range) : std::nullopt, kFolder, files,
            cache);
        Require(again.status == answer.status && again.headerLines == answer.headerLines &&
                again.file == answer.file && again.span == answer.span);
    }
    // Every file closed and every view given back once the answers and the cache are gone.
    Require(files.open == 0 && files.views == 0);
    return 0;
}
