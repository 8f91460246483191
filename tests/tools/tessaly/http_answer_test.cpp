#include "tessaly/http_answer.h"

#include <gtest/gtest.h>

namespace tessaly::tool {

void PrintTo(const HttpHeader& header, std::ostream* out) {
    *out << header.name << ": " << header.value;
}

namespace {

TEST(WireHeaders, KeepsTheAnswerAndOnlyWhatHttpNeeds) {
    const std::vector<HttpHeader> added = {{"Content-Type", "text/plain"},
                                           {"Content-Length", "14"},
                                           {"Accept-Ranges", "bytes"},
                                           {"Keep-Alive", "timeout=5, max=5"},
                                           {"Connection", "close"}};
    // A 404: the library's Content-Length frames the text body.
    const std::vector<HttpHeader> notFound = {{"Cache-Control", "no-store"}};
    EXPECT_EQ(WireHeaders(notFound, added),
              (std::vector<HttpHeader>{{"Cache-Control", "no-store"},
                                       {"Content-Length", "14"},
                                       {"Keep-Alive", "timeout=5, max=5"},
                                       {"Connection", "close"}}));
    // A 200: the answer's own Content-Length, never a second one.
    const std::vector<HttpHeader> ok = {{"Cache-Control", "no-store"},
                                        {"Content-Type", "video/webm"},
                                        {"Accept-Ranges", "bytes"},
                                        {"Content-Length", "1000"}};
    std::vector<HttpHeader> expected = ok;
    expected.push_back({"Keep-Alive", "timeout=5, max=5"});
    expected.push_back({"Connection", "close"});
    EXPECT_EQ(WireHeaders(ok, {{"content-length", "1000"}, added[3], added[4]}), expected);
}

TEST(RequestLogLine, GivesOneTabSeparatedLine) {
    const std::vector<HttpHeader> headers = {{"Content-Range", "bytes 5-9/10"},
                                             {"Content-Length", "5"}};
    EXPECT_EQ(RequestLogLine("GET", "/a.webm", "bytes=5-", 206, headers),
              "GET\t/a.webm\tbytes=5-\t206\tbytes 5-9/10\t5");
    EXPECT_EQ(RequestLogLine("HEAD", "/a\tb", std::nullopt, 404, {}), "HEAD\t/a b\t-\t404\t-\t-");
    EXPECT_EQ(RequestLogLine("GET", "/", std::string("bytes=0-\r\nX: y"), 416, {}),
              "GET\t/\tbytes=0-  X: y\t416\t-\t-");
}

}  // namespace
}  // namespace tessaly::tool
