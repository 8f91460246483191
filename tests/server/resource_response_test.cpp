// Runs against the platform's own file access: POSIX natively, Win32 under Wine.
#include "server/resource_response.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "answer_body.h"
#include "base/text.h"
#include "gzip.h"
#include "maps_past_4gib.h"
#include "recording_file_access.h"
#include "temp_folder.h"

namespace tessaly {
namespace {

using test::RecordingFileAccess;

constexpr char16_t kSeparator = std::filesystem::path::preferred_separator;

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = char('a' + i % 23);
    }
    return bytes;
}

// What one row expects: the status line, the joined header text and the body's bytes.
struct Expected {
    int status;
    std::u16string reason;
    std::u16string headers;
    std::string body;
    BodyKind kind;
};

std::u16string Lines(std::initializer_list<std::u16string_view> lines) {
    std::u16string text;
    for (const auto line : lines) {
        text.append(text.empty() ? u"" : u"\n").append(line);
    }
    return text;
}

const std::u16string kNotFoundHeaders = u"Cache-Control: no-store";

// Text that compresses to a little over a third of its size, unlike Pattern.
std::string Varied(std::size_t size, unsigned seed) {
    std::string text;
    while (text.size() < size) {
        seed = seed * 1103515245u + 12345u;
        text += std::to_string(seed >> 8) + (seed % 7 == 0 ? "\n" : " ");
    }
    text.resize(size);
    return text;
}

// Pattern(300000) as `brotli` writes it.
constexpr unsigned char kPatternBrotli[] = {
    0x55, 0xdf, 0x93, 0x84, 0x5f, 0x16, 0xc7, 0x85, 0x94, 0x07, 0x5d, 0x8c, 0x0b, 0xc3, 0x84, 0x0e,
    0x2e, 0x12, 0x00, 0x12, 0x8b, 0x9a, 0x47, 0xca, 0xa5, 0xb6, 0x3e, 0xe6, 0xda, 0xe7, 0xbe, 0x0f};

class AnswerTest : public ::testing::Test {
  protected:
    AnswerTest() : files_(&PlatformFileAccess()), cache_(files_) {
        root_.Write("secret.txt", "top secret");
        Write("index.html", "<!doctype html><title>Hi</title>");
        Write("media/clip.webm", Pattern(1000));
        Write("one.bin", "1");
        Write("empty.txt", "");
        Write("my file.png", "spaced");
        Write("sub/dir/a.png", "nested");
        Write("app.js", "let v = 2;");
        Write("data.json", "{}");
        Write("a#b.txt", "hash");
        Write("PHOTO.JPG", "jpeg");
        Write("caf\xC3\xA9.txt", "accented");
        Write("\xE2\x82\xAC.txt", "euro");
        Write("\xF0\x9F\x8E\xB5.mp3", "note");
        folder_ = root_.Wide("www") + kSeparator;
    }

    void Write(std::string_view name, std::string_view bytes) {
        root_.Write("www/" + std::string(name), bytes);
    }

    ResourceResponse Answer(std::u16string_view path,
                            std::optional<std::u16string_view> range = std::nullopt) {
        return AnswerResourceRequest(std::u16string(VirtualOrigin) + std::u16string(path), range,
                                     folder_, files_, cache_, options_);
    }

    void Check(std::u16string_view path, std::optional<std::u16string_view> range,
               const Expected& expected) {
        const ResourceResponse response = Answer(path, range);
        std::string label = WideToUtf8(path);
        label.append(" with ").append(range ? WideToUtf8(*range) : "no range");
        EXPECT_EQ(response.status, expected.status) << label;
        EXPECT_EQ(response.reason, expected.reason) << label;
        EXPECT_EQ(JoinHeaderLines(response.headerLines), expected.headers) << label;
        EXPECT_EQ(response.body, expected.kind) << label;
        EXPECT_EQ(test::AnswerBody(response), expected.body) << label;
    }

    void CheckNotFound(std::u16string_view path) {
        Check(path, std::nullopt,
              {404, u"Not Found", kNotFoundHeaders, "File not found", BodyKind::NotFoundText});
    }

    test::TempFolder root_;
    std::u16string folder_;
    RecordingFileAccess files_;
    MappedFileCache cache_;
    AnswerOptions options_;
};

const std::u16string kClipHeaders =
    u"Cache-Control: no-store\nContent-Type: video/webm\nAccept-Ranges: bytes";

TEST_F(AnswerTest, AnswersTheFiveWays) {
    const std::string clip = Pattern(1000);
    Check(u"index.html", std::nullopt,
          {200, u"OK",
           Lines({u"Cache-Control: no-store", u"Content-Type: text/html; charset=utf-8",
                  u"Accept-Ranges: bytes", u"Content-Length: 32"}),
           "<!doctype html><title>Hi</title>", BodyKind::WholeFile});
    Check(u"media/clip.webm", u"bytes=500-",
          {206, u"Partial Content",
           kClipHeaders + u"\nContent-Range: bytes 500-999/1000\nContent-Length: 500",
           clip.substr(500), BodyKind::Span});
    Check(u"media/clip.webm", u"bytes=100-199",
          {206, u"Partial Content",
           kClipHeaders + u"\nContent-Range: bytes 100-199/1000\nContent-Length: 100",
           clip.substr(100, 100), BodyKind::Span});
    Check(u"media/clip.webm", u"bytes=-10",
          {206, u"Partial Content",
           kClipHeaders + u"\nContent-Range: bytes 990-999/1000\nContent-Length: 10",
           clip.substr(990), BodyKind::Span});
    for (const auto* range : {u"bytes=1000-", u"bytes=0-1000", u"bytes=200-100", u"items=0-"}) {
        Check(u"media/clip.webm", range,
              {416, u"Range Not Satisfiable", kClipHeaders, "", BodyKind::None});
    }
    // A missing file's Range header is not looked at.
    CheckNotFound(u"js/missing.js");
    Check(u"js/missing.js", u"bytes=abc-",
          {404, u"Not Found", kNotFoundHeaders, "File not found", BodyKind::NotFoundText});
    EXPECT_EQ(cache_.size(), 1u);

    // A span that cannot be viewed is a 500 that promises no bytes.
    const std::u16string pageHeaders =
        u"Cache-Control: no-store\nContent-Type: text/html; charset=utf-8\nAccept-Ranges: bytes";
    files_.failOpens = true;
    Check(u"index.html", u"bytes=1-2",
          {500, u"Internal Server Error", pageHeaders, "", BodyKind::None});
    // Nothing is kept for the failure; the next request tries again.
    files_.failOpens = false;
    // Shorter when opened than when its size was asked.
    files_.shrinkBy = 1;
    Check(u"media/clip.webm", u"bytes=1000-1000",
          {500, u"Internal Server Error", kClipHeaders, "", BodyKind::None});
    files_.shrinkBy = 0;
    Check(
        u"index.html", u"bytes=1-2",
        {206, u"Partial Content", pageHeaders + u"\nContent-Range: bytes 1-2/32\nContent-Length: 2",
         "!d", BodyKind::Span});
    EXPECT_EQ(cache_.size(), 2u);
}

TEST_F(AnswerTest, DecodesTheFilesOfACompressedBuildAndNoOthers) {
    // Two gzip members of 200000 bytes each (joined files are one gzip file), each compressed
    // to more than one read of the file.
    const std::string data = Varied(200000, 1) + Varied(200000, 2);
    const std::string gzipped =
        test::Gzipped(data.substr(0, 200000)) + test::Gzipped(data.substr(200000));
    const std::string wasm = Pattern(300000);
    Write("Build/game.loader.js", "loader");
    Write("Build/game.data.gz", gzipped);
    Write("Build/game.wasm.br", std::string(std::begin(kPatternBrotli), std::end(kPatternBrotli)));
    Write("Build/game.framework.js.GZ", test::Gzipped("var f;"));
    Write("Build/game.symbols.json.br", std::string("\x8f\x00\x80{}\x03", 6));  // `brotli` of "{}"
    Write("Build/cut.loader.js", "loader");
    Write("Build/cut.wasm.gz", gzipped.substr(0, gzipped.size() / 3));
    Write("Build/cut.data.br", "not brotli at all");
    Write("Build/other.wasm.gz", gzipped);  // no other.loader.js
    Write("Build/game.zip.gz", gzipped);    // not a build file
    const auto headers = [](std::u16string_view type, std::u16string_view rest) {
        return u"Cache-Control: no-store\nContent-Type: " + std::u16string(type) +
               u"\nAccept-Ranges: bytes" + std::u16string(rest);
    };
    const std::u16string octets = u"application/octet-stream";

    Check(u"Build/game.wasm.br", std::nullopt,
          {200, u"OK", headers(u"application/wasm", u"\nContent-Length: 300000"), wasm,
           BodyKind::Decoded});
    Check(u"Build/game.data.gz", std::nullopt,
          {200, u"OK", headers(octets, u"\nContent-Length: 400000"), data, BodyKind::Decoded});
    Check(u"Build/game.framework.js.GZ", u"bytes=4-",
          {206, u"Partial Content",
           headers(u"application/javascript; charset=utf-8",
                   u"\nContent-Range: bytes 4-5/6\nContent-Length: 2"),
           "f;", BodyKind::Decoded});
    Check(u"Build/game.symbols.json.br", std::nullopt,
          {200, u"OK", headers(u"application/json; charset=utf-8", u"\nContent-Length: 2"), "{}",
           BodyKind::Decoded});
    // Ranges count decoded bytes: across the members' seam, at the end, and past it.
    Check(u"Build/game.data.gz", u"bytes=150001-250000",
          {206, u"Partial Content",
           headers(octets, u"\nContent-Range: bytes 150001-250000/400000\nContent-Length: 100000"),
           data.substr(150001, 100000), BodyKind::Decoded});
    Check(u"Build/game.wasm.br", u"bytes=-7",
          {206, u"Partial Content",
           headers(u"application/wasm",
                   u"\nContent-Range: bytes 299993-299999/300000"
                   u"\nContent-Length: 7"),
           wasm.substr(299993), BodyKind::Decoded});
    Check(u"Build/game.data.gz", u"bytes=400000-",
          {416, u"Range Not Satisfiable", headers(octets, u""), "", BodyKind::None});
    // A build file that does not decode to its end promises nothing.
    Check(u"Build/cut.wasm.gz", std::nullopt,
          {500, u"Internal Server Error", headers(u"application/wasm", u""), "", BodyKind::None});
    Check(u"Build/cut.data.br", u"bytes=0-1",
          {500, u"Internal Server Error", headers(octets, u""), "", BodyKind::None});
    // Anything else keeps its bytes and its own name's type.
    for (const auto* path : {u"Build/other.wasm.gz", u"Build/game.zip.gz"}) {
        Check(path, std::nullopt,
              {200, u"OK",
               headers(octets, u"\nContent-Length: " + Utf8ToWide(std::to_string(gzipped.size()))),
               gzipped, BodyKind::WholeFile});
    }

    // A reader that is sent back to the start decodes again; one that goes on does not.
    const ResourceResponse answer = Answer(u"Build/game.data.gz", u"bytes=1000-");
    DecodedReader reader(answer.file, answer.compression, answer.span);
    std::string bytes(5, '\0');
    const auto read = [&](std::uint64_t at) {
        reader.Seek(at);
        EXPECT_EQ(reader.Read(reinterpret_cast<std::byte*>(bytes.data()), bytes.size()), 5u);
        return bytes;
    };
    EXPECT_EQ(read(300000), data.substr(301000, 5));
    EXPECT_EQ(read(7), data.substr(1007, 5));
    EXPECT_EQ(read(12), data.substr(1012, 5));
}

TEST_F(AnswerTest, IsolatesEveryAnswerWhenAsked) {
    options_.crossOriginIsolation = true;
    const std::u16string isolated =
        u"Cache-Control: no-store\nCross-Origin-Opener-Policy: same-origin\n"
        u"Cross-Origin-Embedder-Policy: require-corp";
    Check(u"one.bin", std::nullopt,
          {200, u"OK",
           isolated + u"\nContent-Type: application/octet-stream\nAccept-Ranges: bytes\n"
                      u"Content-Length: 1",
           "1", BodyKind::WholeFile});
    Check(u"media/clip.webm", u"bytes=1000-",
          {416, u"Range Not Satisfiable",
           isolated + u"\nContent-Type: video/webm\nAccept-Ranges: bytes", "", BodyKind::None});
    Check(u"js/missing.js", std::nullopt,
          {404, u"Not Found", isolated, "File not found", BodyKind::NotFoundText});
    files_.failOpens = true;
    Check(u"media/clip.webm", u"bytes=1-2",
          {500, u"Internal Server Error",
           isolated + u"\nContent-Type: video/webm\nAccept-Ranges: bytes", "", BodyKind::None});
}

TEST_F(AnswerTest, StreamsSpansThatCoverTheWholeFileWithoutMapping) {
    for (const auto* range : {u"bytes=0-", u"bytes=0-999", u"bytes=-1000"}) {
        Check(u"media/clip.webm", range,
              {206, u"Partial Content",
               kClipHeaders + u"\nContent-Range: bytes 0-999/1000\nContent-Length: 1000",
               Pattern(1000), BodyKind::WholeFile});
    }
    EXPECT_EQ(cache_.size(), 0u);
    EXPECT_TRUE(files_.openPaths.empty());
}

TEST_F(AnswerTest, NamesFilesByTheirPathUnderTheContentFolder) {
    const auto headers = [](std::u16string_view type, std::u16string_view length) {
        return Lines({u"Cache-Control: no-store", std::u16string(u"Content-Type: ") += type,
                      u"Accept-Ranges: bytes", std::u16string(u"Content-Length: ") += length});
    };
    Check(u"my%20file.png", std::nullopt,
          {200, u"OK", headers(u"image/png", u"6"), "spaced", BodyKind::WholeFile});
    Check(u"sub/dir/a.png", std::nullopt,
          {200, u"OK", headers(u"image/png", u"6"), "nested", BodyKind::WholeFile});
    Check(u"PHOTO.JPG", std::nullopt,
          {200, u"OK", headers(u"image/jpeg", u"4"), "jpeg", BodyKind::WholeFile});
    Check(u"empty.txt", std::nullopt,
          {200, u"OK", headers(u"text/plain; charset=utf-8", u"0"), "", BodyKind::WholeFile});
    EXPECT_EQ(Answer(u"sub/dir/a.png").filePath,
              folder_ + u"sub" + kSeparator + u"dir" + kSeparator + u"a.png");

    // Queries and fragments name no file; the type comes from the real name.
    Check(u"app.js?v=2", std::nullopt,
          {200, u"OK", headers(u"application/javascript; charset=utf-8", u"10"), "let v = 2;",
           BodyKind::WholeFile});
    Check(
        u"data.json?x=1.png#top", std::nullopt,
        {200, u"OK", headers(u"application/json; charset=utf-8", u"2"), "{}", BodyKind::WholeFile});
    Check(u"index.html#intro?x", std::nullopt,
          {200, u"OK", headers(u"text/html; charset=utf-8", u"32"),
           "<!doctype html><title>Hi</title>", BodyKind::WholeFile});
    // Escaped, they are part of the name.
    Check(u"a%23b.txt", std::nullopt,
          {200, u"OK", headers(u"text/plain; charset=utf-8", u"4"), "hash", BodyKind::WholeFile});
    CheckNotFound(u"app.js%3Fv=2");

    // Browsers escape non-ASCII names as UTF-8.
    Check(
        u"caf%C3%A9.txt", std::nullopt,
        {200, u"OK", headers(u"text/plain; charset=utf-8", u"8"), "accented", BodyKind::WholeFile});
    Check(u"%E2%82%AC.txt", std::nullopt,
          {200, u"OK", headers(u"text/plain; charset=utf-8", u"4"), "euro", BodyKind::WholeFile});
    Check(u"%F0%9F%8E%B5.mp3", std::nullopt,
          {200, u"OK", headers(u"audio/mpeg", u"4"), "note", BodyKind::WholeFile});
}

TEST_F(AnswerTest, AnswersFoldersAndPathsLeavingTheFolderNotFound) {
    // The secret is there to be found by a server that joins paths as they come.
    ASSERT_EQ(files_.Status(folder_ + u".." + kSeparator + u"secret.txt").kind,
              FileKind::RegularFile);
    files_.statusPaths.clear();

    const std::u16string absolute = root_.Wide("secret.txt");
    std::u16string escapedAbsolute;
    for (const char16_t unit : absolute) {
        escapedAbsolute += unit == u'\\' ? u"%5C" : unit == u':' ? u"%3A" : std::u16string(1, unit);
    }
    const std::u16string rejected[] = {
        u"../secret.txt",
        u"..%2Fsecret.txt",
        u"%2E%2E/secret.txt",
        u"%2e%2e%2fsecret.txt",
        u"..%5Csecret.txt",
        u"media/../../secret.txt",
        u"media%5C..%5C..%5Csecret.txt",
        u"./index.html",
        u"...%5Csecret.txt",
        u"%2F" + root_.Wide("secret.txt"),  // absolute on POSIX, drive-relative on Windows
        escapedAbsolute,
        u"%5C%5C%3F%5C" + escapedAbsolute,  // \\?\C:\...
        u"%5C%5Clocalhost%5Cc$%5Csecret.txt",
        u"C:secret.txt",
        u"index.html::$DATA",
        u"index.html:stream",
        u"NUL",
        u"con.txt",
        u"sub/aux",
        u"Com1.webm",
        u"LPT%C2%B9",  // LPT¹
        u"CONIN$",
        u"index.html.",
        u"index.html%20",
        u"sub//dir/a.png",
        u"sub/dir/a.png/",
        u"%00",
        u"a%01b",
        u"a%1Fb",
        u"inde*.html",
        u"index.htm%3F",
        u"a%3Cb%3E",
        u"%7C",
        u"%22",
    };
    for (const auto& path : rejected) {
        CheckNotFound(path);
    }
    // Rejected before any file is looked at.
    EXPECT_TRUE(files_.statusPaths.empty());

    std::filesystem::create_directory(root_.path() / "www" / "sub" / "empty");
    for (const auto* folder : {u"", u"sub", u"sub/dir", u"sub/", u"sub/empty", u"media"}) {
        CheckNotFound(folder);
        Check(folder, u"bytes=0-",
              {404, u"Not Found", kNotFoundHeaders, "File not found", BodyKind::NotFoundText});
    }
}

TEST_F(AnswerTest, ServesFirstBytesAndAnswersUnreadableRangesNotSatisfiable) {
    const std::string clip = Pattern(1000);
    Check(u"media/clip.webm", u"bytes=0-0",
          {206, u"Partial Content",
           kClipHeaders + u"\nContent-Range: bytes 0-0/1000\nContent-Length: 1", clip.substr(0, 1),
           BodyKind::Span});
    const std::u16string oneHeaders =
        u"Cache-Control: no-store\nContent-Type: application/octet-stream\nAccept-Ranges: bytes";
    for (const auto* range : {u"bytes=0-0", u"bytes=0-", u"bytes=-1", u"bytes=-1,0-0"}) {
        Check(u"one.bin", range,
              {206, u"Partial Content",
               oneHeaders + u"\nContent-Range: bytes 0-0/1\nContent-Length: 1", "1",
               BodyKind::WholeFile});
    }
    for (const auto* range :
         {u"bytes=-0", u"bytes=abc-", u"bytes=-", u"bytes=99999999999-", u"bytes=1-x"}) {
        Check(u"media/clip.webm", range,
              {416, u"Range Not Satisfiable", kClipHeaders, "", BodyKind::None});
    }
    const std::u16string emptyHeaders =
        u"Cache-Control: no-store\nContent-Type: text/plain; charset=utf-8\nAccept-Ranges: bytes";
    Check(u"empty.txt", u"bytes=0-",
          {416, u"Range Not Satisfiable", emptyHeaders, "", BodyKind::None});
}

TEST_F(AnswerTest, CapsOpenEndedSpansAndNothingElse) {
    const std::size_t size = kMaxOpenEndedSpan + 1000;
    const std::string big = Pattern(size);
    Write("big.mp4", big);
    Write("exact.mp4", big.substr(0, kMaxOpenEndedSpan));
    const std::u16string headers =
        u"Cache-Control: no-store\nContent-Type: video/mp4\nAccept-Ranges: bytes\n";
    const std::u16string cap = Lines({u"Content-Length: 8388608"});
    const std::u16string of = u"/8389608\n";

    Check(u"big.mp4", u"bytes=0-",
          {206, u"Partial Content", headers + u"Content-Range: bytes 0-8388607" + of + cap,
           big.substr(0, kMaxOpenEndedSpan), BodyKind::Span});
    Check(u"big.mp4", u"bytes=999-",
          {206, u"Partial Content", headers + u"Content-Range: bytes 999-8389606" + of + cap,
           big.substr(999, kMaxOpenEndedSpan), BodyKind::Span});
    // Spans of at most the cap, and closed or suffix ranges, are sent as asked.
    Check(u"big.mp4", u"bytes=1000-",
          {206, u"Partial Content", headers + u"Content-Range: bytes 1000-8389607" + of + cap,
           big.substr(1000), BodyKind::Span});
    Check(u"big.mp4", u"bytes=-8388609",
          {206, u"Partial Content",
           headers + u"Content-Range: bytes 999-8389607" + of + u"Content-Length: 8388609",
           big.substr(999), BodyKind::Span});
    Check(u"big.mp4", u"bytes=0-8389607",
          {206, u"Partial Content",
           headers + u"Content-Range: bytes 0-8389607" + of + u"Content-Length: 8389608", big,
           BodyKind::WholeFile});
    Check(u"exact.mp4", u"bytes=0-",
          {206, u"Partial Content", headers + u"Content-Range: bytes 0-8388607/8388608\n" + cap,
           big.substr(0, kMaxOpenEndedSpan), BodyKind::WholeFile});
}

TEST_F(AnswerTest, ServesAnySpanOfFilesOf2GiBAndMore) {
    // Sparse: sized without writing, so the test costs no disk. Marks around 2^31 and 2^32 and at
    // the end show that each span comes from its own offset.
    const auto path = root_.path() / "www" / "huge.webm";
    const std::uint64_t size = (std::uint64_t{5} << 30) + 7;
    const std::pair<std::uint64_t, std::string> marks[] = {{(std::uint64_t{1} << 31) - 2, "<2^31>"},
                                                           {(std::uint64_t{1} << 32) - 3, "<2^32>"},
                                                           {size - 3, "end"}};
    {
        std::ofstream file(path, std::ios::binary);
        for (const auto& [offset, text] : marks) {
            file.seekp(std::streamoff(offset));
            file.write(text.data(), std::streamsize(text.size()));
        }
    }
    ASSERT_EQ(std::filesystem::file_size(path), size);

    const auto expectSpan = [&](std::u16string_view range, std::u16string_view contentRange,
                                std::string_view bytes) {
        Check(u"huge.webm", range,
              {206, u"Partial Content",
               kClipHeaders + u"\nContent-Range: bytes " + std::u16string(contentRange) +
                   u"/5368709127\nContent-Length: " + Utf8ToWide(std::to_string(bytes.size())),
               std::string(bytes), BodyKind::Span});
    };
    expectSpan(u"bytes=2147483646-2147483651", u"2147483646-2147483651", "<2^31>");
    expectSpan(u"bytes=4294967293-4294967298", u"4294967293-4294967298", "<2^32>");
    const ResourceResponse first = Answer(u"huge.webm", u"bytes=0-");
    EXPECT_EQ(
        JoinHeaderLines(first.headerLines),
        kClipHeaders + u"\nContent-Range: bytes 0-8388607/5368709127\nContent-Length: 8388608");
    EXPECT_EQ(test::AnswerBody(first), std::string(kMaxOpenEndedSpan, '\0'));
    for (const auto* range : {u"bytes=5368709127-", u"bytes=0-5368709127", u"bytes=-5368709128",
                              u"bytes=9223372036854775808-"}) {
        Check(u"huge.webm", range,
              {416, u"Range Not Satisfiable", kClipHeaders, "", BodyKind::None});
    }
    // Lengths past 32 bits, without reading the 4 GiB.
    EXPECT_EQ(JoinHeaderLines(Answer(u"huge.webm", u"bytes=1-4294967300").headerLines),
              kClipHeaders +
                  u"\nContent-Range: bytes 1-4294967300/5368709127\n"
                  u"Content-Length: 4294967300");
    const ResourceResponse whole = Answer(u"huge.webm");
    EXPECT_EQ(whole.status, 200);
    EXPECT_EQ(JoinHeaderLines(whole.headerLines), kClipHeaders + u"\nContent-Length: 5368709127");

    if (!test::SystemMapsPast4GiB(root_.path())) {
        GTEST_SKIP() << "this system's own views cannot reach past 4 GiB";
    }
    expectSpan(u"bytes=-3", u"5368709124-5368709126", "end");
    expectSpan(u"bytes=5368709120-", u"5368709120-5368709126", std::string(4, '\0') + "end");
}

// A build file that decodes to just past 4 GiB: 4096 gzip members of 1 MiB of zeros, then one of
// "end". Its decoded lengths and positions count in 64 bits, also where size_t is 32 bits (a
// length cut to 32 bits would be 3 bytes). Reading its end decodes all of it, in some seconds.
TEST(DecodedReader, CountsDecodedBytesPast4GiB) {
    const std::string member = test::Gzipped(std::string(std::size_t{1} << 20, '\0'));
    std::string gzipped;
    for (int i = 0; i < 4096; ++i) {
        gzipped += member;
    }
    gzipped += test::Gzipped("end");
    RecordingFileAccess files;
    files.Add(u"game.data.gz", gzipped);
    MappedFileCache cache(files);
    constexpr std::uint64_t kDecoded = (std::uint64_t{1} << 32) + 3;
    DecodedReader reader(cache.GetMappedFile(u"game.data.gz", u"game.data.gz"), Compression::Gzip,
                         {0, kDecoded - 1});

    // Skipping to a far position decodes through the reader's buffer: a large one keeps it short.
    std::string bytes(std::size_t{1} << 20, 'x');
    const auto read = [&] {
        return reader.Read(reinterpret_cast<std::byte*>(bytes.data()), bytes.size());
    };
    EXPECT_EQ(read(), bytes.size());
    EXPECT_EQ(bytes, std::string(bytes.size(), '\0'));
    reader.Seek(kDecoded);
    EXPECT_EQ(read(), 0u);
    reader.Seek(kDecoded - 3);
    EXPECT_EQ(read(), 3u);
    EXPECT_EQ(bytes.substr(0, 3), "end");
}

TEST(PercentUnescape, DecodesUtf8WhereItIsWellFormedAndSingleUnitsElsewhere) {
    struct Case {
        std::u16string escaped;
        std::u16string decoded;
    };
    const Case cases[] = {
        {u"my%20file.png", u"my file.png"},
        {u"caf%C3%A9", u"caf\u00E9"},
        {u"caf%c3%a9", u"caf\u00E9"},
        {u"%F0%9F%8E%B5", u"\U0001F3B5"},
        {u"%E9t%E9", u"\u00E9t\u00E9"},
        {u"%C3%A9%FF", u"\u00E9\u00FF"},
        {u"%C3", u"\u00C3"},
        {u"%C3x%A9", u"\u00C3x\u00A9"},
        {u"%E2%82", u"\u00E2\u0082"},
        // Overlong forms never turn into a slash or a dot.
        {u"%C0%AF", u"\u00C0\u00AF"},
        {u"%E0%80%AE", u"\u00E0\u0080\u00AE"},
        // An encoded surrogate is not UTF-8.
        {u"%ED%A0%80", u"\u00ED\u00A0\u0080"},
        {u"%2e%2E%2f", u"../"},
        {u"100%", u"100%"},
        {u"%4", u"%4"},
        {u"%zz%4g", u"%zz%4g"},
        {u"%%41", u"%A"},
        {u"\u00E9%41", u"\u00E9A"},
        {u"ab%00cd", u"ab"},
        {u"", u""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PercentUnescape(c.escaped), c.decoded) << WideToUtf8(c.escaped);
    }

    std::u16string fits, longer;
    for (std::size_t i = 0; i < kMaxDecodedPath; ++i) {
        fits += u"%41";
    }
    longer = fits + u"%41";
    EXPECT_EQ(PercentUnescape(fits), std::u16string(kMaxDecodedPath, u'A'));
    EXPECT_EQ(PercentUnescape(longer), longer);
}

TEST(RequestPathOf, CutsTheOriginAndAnyQueryBeforeUnescaping) {
    const std::u16string origin(VirtualOrigin);
    EXPECT_EQ(RequestPathOf(origin + u"a%20b/c.js?x=%41#f"), u"a b/c.js");
    EXPECT_EQ(RequestPathOf(origin + u"a%3Fb%23c"), u"a?b#c");
    EXPECT_EQ(RequestPathOf(origin + u"#?"), u"");
    EXPECT_EQ(RequestPathOf(origin), u"");
    EXPECT_EQ(RequestPathOf(u"https://x"), u"");
}

}  // namespace
}  // namespace tessaly
