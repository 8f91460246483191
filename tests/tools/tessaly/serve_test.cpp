// `tessaly serve` over real HTTP on the loopback address, each answer held against the one the
// content server gives the program's browser for the same request.
#include "tessaly/serve.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <mutex>
#include <thread>

#include "answer_body.h"
#include "base/text.h"
#include "gzip.h"
#include "maps_past_4gib.h"
#include "server/file_access.h"
#include "server/mapped_file_cache.h"
#include "server/resource_response.h"
#include "temp_folder.h"
#include "tessaly/http_answer.h"

namespace tessaly::tool {
namespace {

using test::TempFolder;

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = char(i % 251);
    }
    return bytes;
}

struct Request {
    std::string method;
    std::string target;
    std::optional<std::string> range;
};

std::string Describe(const Request& request) {
    return request.method + " " + request.target + " Range: " + request.range.value_or("none");
}

using Headers = std::vector<std::pair<std::string, std::string>>;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

class ServeTest : public ::testing::Test {
  protected:
    static constexpr std::size_t kLarge = (std::size_t{9} << 20) + 5;  // past the 8 MiB cap

    ServeTest() {
        root_.Write("secret.txt", "not for the browser");
        root_.Write("www/index.html", "<!doctype html><title>Hi</title>");
        root_.Write("www/app.js", "let v = 2;");
        root_.Write("www/media/clip.webm", Pattern(1000));
        root_.Write("www/media/large.webm", Pattern(kLarge));
        root_.Write("www/empty.txt", "");
        root_.Write("www/caf\xC3\xA9 #1.txt", "accented");
        root_.Write("www/sub/a.png", "nested");
        root_.Write("www/Build/g.loader.js", "");
        root_.Write("www/Build/g.wasm.gz", test::Gzipped(Pattern(70000)));
        www_ = root_.path() / "www";
        contentFolder_ = www_.u16string() + char16_t(std::filesystem::path::preferred_separator);

        server_ = std::make_unique<ContentServer>(www_);
        server_->SetLog([this](const std::string& line) {
            std::lock_guard lock(logging_);
            log_.push_back(line);
        });
        port_ = server_->Bind(0);
        EXPECT_GT(port_, 0);
        running_ = std::thread([this] { server_->Run(); });
        // Stop only reaches a server that runs.
        for (int wait = 0; wait < 5000 && !server_->IsRunning(); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(server_->IsRunning());
    }

    ~ServeTest() override {
        server_->Stop();
        running_.join();
    }

    httplib::Result Send(const Request& request) {
        httplib::Client client("127.0.0.1", port_);
        client.set_url_encode(false);  // targets go out exactly as written
        httplib::Headers headers;
        if (request.range) {
            headers.emplace("Range", *request.range);
        }
        if (request.method == "HEAD") {
            return client.Head(request.target.c_str(), headers);
        }
        if (request.method == "POST") {
            return client.Post(request.target.c_str(), headers, "x=1", "text/plain");
        }
        return client.Get(request.target.c_str(), headers);
    }

    // What the program's browser gets for the same request.
    ResourceResponse Expected(const Request& request) {
        std::optional<std::u16string> range;
        if (request.range) {
            range = Utf8ToWide(*request.range);
        }
        return AnswerResourceRequest(VirtualUriOf(request.target), range, contentFolder_,
                                     PlatformFileAccess(), cache_);
    }

    // The same status, reason, headers and body, with only HTTP's own headers added: the
    // connection's, and a Content-Length framing a body whose answer gives none.
    void ExpectSameAnswer(const Request& request) {
        SCOPED_TRACE(Describe(request));
        const ResourceResponse answer = Expected(request);
        const httplib::Result result = Send(request);
        ASSERT_TRUE(result) << httplib::to_string(result.error());

        EXPECT_EQ(result->status, answer.status);
        EXPECT_EQ(result->reason, WideToUtf8(answer.reason));
        const std::string body = test::AnswerBody(answer);
        Headers expected;
        for (const HttpHeader& header : HttpHeadersOf(answer)) {
            expected.emplace_back(Lower(header.name), header.value);
        }
        if (!ContentLengthOf(answer)) {
            expected.emplace_back("content-length", std::to_string(body.size()));
        }
        Headers sent;
        for (const auto& [name, value] : result->headers) {
            if (Lower(name) != "keep-alive" && Lower(name) != "connection") {
                sent.emplace_back(Lower(name), value);
            }
        }
        std::sort(expected.begin(), expected.end());
        std::sort(sent.begin(), sent.end());
        EXPECT_EQ(sent, expected);
        EXPECT_EQ(result->body, request.method == "HEAD" ? "" : body);
    }

    TempFolder root_;
    std::filesystem::path www_;
    std::u16string contentFolder_;
    MappedFileCache cache_{PlatformFileAccess()};
    std::unique_ptr<ContentServer> server_;
    int port_ = -1;
    std::thread running_;
    std::mutex logging_;
    std::vector<std::string> log_;
};

TEST_F(ServeTest, AnswersLikeTheProgram) {
    const Request requests[] = {
        // 200, with any method
        {"GET", "/index.html", {}},
        {"HEAD", "/index.html", {}},
        {"POST", "/app.js", {}},
        {"GET", "/app.js?v=2#top", {}},
        {"GET", "/caf%C3%A9%20%231.txt", {}},
        {"GET", "/sub/a.png", {}},
        {"GET", "/index.html%00.png", {}},  // the decoded path ends at its first zero
        {"GET", "/empty.txt", {}},
        // 206
        {"GET", "/media/clip.webm", "bytes=0-"},
        {"GET", "/media/clip.webm", "bytes=500-"},
        {"GET", "/media/clip.webm", "bytes=100-199"},
        {"GET", "/media/clip.webm", "bytes=-10"},
        {"GET", "/media/clip.webm", "bytes=0-99,200-299"},
        {"HEAD", "/media/clip.webm", "bytes=10-19"},
        // a compressed build's file, decoded
        {"GET", "/Build/g.wasm.gz", {}},
        {"GET", "/Build/g.wasm.gz", "bytes=65000-"},
        // 404
        {"GET", "/missing.js", {}},
        {"GET", "/", {}},
        {"GET", "/sub", {}},
        {"GET", "/sub/", {}},
        {"GET", "/missing.js", "bytes=abc-"},  // a missing file's Range is not looked at
        // 416, the last two with ranges the HTTP library cannot read itself
        {"GET", "/media/clip.webm", "bytes=1000-"},
        {"GET", "/media/clip.webm", "bytes=0-1000"},
        {"GET", "/media/clip.webm", "bytes=200-100"},
        {"GET", "/media/clip.webm", "bytes=0-0"},
        {"GET", "/empty.txt", "bytes=0-"},
        {"GET", "/media/clip.webm", "bytes=abc-"},
        {"GET", "/media/clip.webm", "items=0-"},
    };
    for (const Request& request : requests) {
        ExpectSameAnswer(request);
    }
}

TEST_F(ServeTest, NeverLeavesTheContentFolder) {
    const std::string attempts[] = {
        "/../secret.txt",        "/%2e%2e/secret.txt",
        "/..%2fsecret.txt",      "/..%5csecret.txt",
        "/sub/../../secret.txt", "/sub/%2e%2e/%2e%2e/secret.txt",
        "//secret.txt",          "/%2fsecret.txt",
        "/./../secret.txt",      "/C:/secret.txt",
        "/..\\secret.txt",       "/sub/..%252f..%252fsecret.txt",
        "/INDEX.HTML/..",        "/con",
    };
    for (const std::string& target : attempts) {
        for (const char* range : {"", "bytes=0-"}) {
            const Request request{"GET", target,
                                  *range ? std::optional<std::string>(range) : std::nullopt};
            ExpectSameAnswer(request);
            const httplib::Result result = Send(request);
            ASSERT_TRUE(result);
            EXPECT_EQ(result->status, 404) << target;
            EXPECT_EQ(result->body.find("not for the browser"), std::string::npos) << target;
        }
    }
}

TEST_F(ServeTest, CapsOpenEndedRangesOfLargeFiles) {
    const std::string large = Pattern(kLarge);
    const struct {
        const char* range;
        const char* contentRange;
        std::size_t first;
        std::size_t count;
    } cases[] = {
        {"bytes=0-", "bytes 0-8388607/9437189", 0, std::size_t{8} << 20},
        {"bytes=8388608-", "bytes 8388608-9437188/9437189", std::size_t{8} << 20,
         kLarge - (8 << 20)},
        // Closed ranges and suffixes ask for an exact span, which is not cut.
        {"bytes=0-9437188", "bytes 0-9437188/9437189", 0, kLarge},
        {"bytes=-9000000", "bytes 437189-9437188/9437189", kLarge - 9000000, 9000000},
    };
    for (const auto& c : cases) {
        const Request request{"GET", "/media/large.webm", c.range};
        ExpectSameAnswer(request);
        const httplib::Result result = Send(request);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 206);
        EXPECT_EQ(result->get_header_value("Content-Range"), c.contentRange);
        EXPECT_TRUE(result->body == large.substr(c.first, c.count)) << c.range;
    }
}

TEST_F(ServeTest, ServesSpansPast4GiB) {
    if (!test::SystemMapsPast4GiB(root_.path())) {
        GTEST_SKIP() << "this system's own views cannot reach past 4 GiB";
    }
    // Sparse, with a mark just past 4 GiB and one at the end.
    const auto path = www_ / "media" / "long.webm";
    {
        std::ofstream file(path, std::ios::binary);
        file.seekp(std::streamoff(std::uint64_t{1} << 32));
        file.write("past 4 GiB", 10);
        file.seekp(std::streamoff((std::uint64_t{5} << 30) - 3));
        file.write("end", 3);
    }
    const struct {
        const char* range;
        const char* contentRange;
        std::string start;
    } cases[] = {
        {"bytes=4294967296-", "bytes 4294967296-4303355903/5368709120", "past 4 GiB"},
        {"bytes=5368709117-5368709119", "bytes 5368709117-5368709119/5368709120", "end"},
        {"bytes=-3", "bytes 5368709117-5368709119/5368709120", "end"},
    };
    for (const auto& c : cases) {
        const Request request{"GET", "/media/long.webm", c.range};
        ExpectSameAnswer(request);
        const httplib::Result result = Send(request);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->get_header_value("Content-Range"), c.contentRange);
        EXPECT_TRUE(result->body.starts_with(c.start)) << c.range;
    }
    const httplib::Result past = Send({"GET", "/media/long.webm", "bytes=5368709120-"});
    ASSERT_TRUE(past);
    EXPECT_EQ(past->status, 416);
}

TEST_F(ServeTest, LogsEachAnswer) {
    Send({"GET", "/media/clip.webm", "bytes=500-"});
    Send({"GET", "/nothing", {}});
    std::lock_guard lock(logging_);
    EXPECT_EQ(log_, (std::vector<std::string>{
                        "GET\t/media/clip.webm\tbytes=500-\t206\tbytes 500-999/1000\t500",
                        "GET\t/nothing\t-\t404\t-\t-"}));
}

}  // namespace
}  // namespace tessaly::tool
