#include "browser/content_answer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "temp_folder.h"

namespace tessaly {
namespace {

// The whole body, read in pieces of `piece` bytes.
std::string ReadAll(ResponseBody& body, std::size_t piece) {
    std::string bytes;
    std::string buffer(piece, '\0');
    while (const std::size_t read =
               body.Read(std::as_writable_bytes(std::span(buffer.data(), buffer.size())))) {
        bytes.append(buffer, 0, read);
    }
    return bytes;
}

TEST(ResponseBody, DeliversEachKindOfAnswerWhole) {
    test::TempFolder folder;
    std::string movie;
    for (int i = 0; i < 5000; ++i) {
        movie += char('a' + i % 26);
    }
    folder.Write("www/movie.webm", movie);
    folder.Write("www/empty.txt", "");
    // 'a' + i % 23 for 300000 bytes, as `brotli` writes it, in a compressed build.
    constexpr unsigned char kBrotli[] = {0x55, 0xdf, 0x93, 0x84, 0x5f, 0x16, 0xc7, 0x85,
                                         0x94, 0x07, 0x5d, 0x8c, 0x0b, 0xc3, 0x84, 0x0e,
                                         0x2e, 0x12, 0x00, 0x12, 0x8b, 0x9a, 0x47, 0xca,
                                         0xa5, 0xb6, 0x3e, 0xe6, 0xda, 0xe7, 0xbe, 0x0f};
    folder.Write("www/Build/g.wasm.br", std::string(std::begin(kBrotli), std::end(kBrotli)));
    folder.Write("www/Build/g.loader.js", "");
    std::string wasm;
    for (int i = 0; i < 300000; ++i) {
        wasm += char('a' + i % 23);
    }
    const std::u16string www = folder.Wide("www") + u"/";
    const struct {
        std::u16string path;
        std::optional<std::u16string> range;
        int status;
        std::string body;
    } cases[] = {
        {u"movie.webm", std::nullopt, 200, movie},
        {u"movie.webm", u"bytes=4990-", 206, movie.substr(4990)},
        {u"movie.webm", u"bytes=7-1030", 206, movie.substr(7, 1024)},
        {u"empty.txt", std::nullopt, 200, ""},
        {u"missing.txt", std::nullopt, 404, "File not found"},
        {u"movie.webm", u"bytes=9000-", 416, ""},
        {u"Build/g.wasm.br", std::nullopt, 200, wasm},
        {u"Build/g.wasm.br", u"bytes=299001-", 206, wasm.substr(299001)},
    };
    for (const auto& c : cases) {
        ResourceResponse answer =
            AnswerContentRequest(u"https://tessaly.example/" + c.path, c.range, www);
        ResponseBody body(answer);
        EXPECT_EQ(answer.status, c.status);
        EXPECT_EQ(body.size(), c.body.size());
        EXPECT_EQ(ReadAll(body, 100), c.body) << std::string(c.path.begin(), c.path.end());
        EXPECT_EQ(body.remaining(), 0u);
    }
}

TEST(ResponseBody, AFileGoneBeforeItsBodyIsOpenedGivesA500WithoutBody) {
    test::TempFolder folder;
    folder.Write("www/page.html", "<p>hi</p>");
    ResourceResponse answer = AnswerContentRequest(u"https://tessaly.example/page.html",
                                                   std::nullopt, folder.Wide("www") + u"/");
    std::filesystem::remove(folder.path() / "www" / "page.html");
    ResponseBody body(answer);
    EXPECT_EQ(answer.status, 500);
    EXPECT_EQ(body.size(), 0u);
    for (const std::u16string& line : answer.headerLines) {
        EXPECT_FALSE(line.starts_with(u"Content-Length")) << std::string(line.begin(), line.end());
    }
}

}  // namespace
}  // namespace tessaly
