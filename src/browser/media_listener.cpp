#include "browser/media_listener.h"

#include <httplib.h>

#include <random>
#include <thread>
#include <vector>

#include "base/text.h"
#include "browser/app_origin.h"
#include "browser/content_answer.h"

namespace tessaly {
namespace {

constexpr std::size_t kSendChunk = std::size_t{64} << 10;

// The answer's header lines as HTTP headers; Content-Length is left to the HTTP library, which
// frames the body with the same number.
void SetAnswer(ResourceResponse& answer, httplib::Response& response) {
    auto body = std::make_shared<ResponseBody>(answer);  // may turn the answer into a 500
    response.status = answer.status;
    std::string contentType;
    for (const std::u16string& line : answer.headerLines) {
        const auto [name, value] = SplitHeaderLine(line);
        if (name == "Content-Type") {
            contentType = value;
        } else if (name != "Content-Length") {
            response.headers.emplace(name, value);
        }
    }
    response.set_content_provider(
        std::size_t(body->size()), contentType,
        [body](std::size_t, std::size_t length, httplib::DataSink& sink) {
            std::vector<std::byte> buffer(std::min(length, kSendChunk));
            const std::size_t read = body->Read(buffer);
            return read > 0 && sink.write(reinterpret_cast<const char*>(buffer.data()), read);
        });
}

}  // namespace

struct MediaListener::State {
    httplib::Server server;
    std::thread thread;
    std::string token;
    std::string baseUrl;
    std::u16string contentFolder;
    AnswerOptions options;
};

MediaListener::MediaListener() : state_(new State) {}

MediaListener::~MediaListener() {
    Stop();
}

bool MediaListener::Start(const std::u16string& contentFolder, const AnswerOptions& options) {
    State& state = *state_;
    std::random_device random;
    state.token = MakeAccessToken(random);
    state.contentFolder = contentFolder;
    state.options = options;
    state.server.Get(
        R"([\s\S]*)", [&state](const httplib::Request& request, httplib::Response& response) {
            // The answer already is the span the Range header asks for; the library must not cut it
            // once more.
            const_cast<httplib::Request&>(request).ranges.clear();
            const std::optional<std::u16string> uri =
                VirtualUriOfMediaTarget(request.target, state.token);
            if (!uri) {
                response.status = 404;  // says nothing about what this listener serves
                return;
            }
            std::optional<std::u16string> range;
            if (request.has_header("Range")) {
                range = Utf8ToWide(request.get_header_value("Range"));
            }
            ResourceResponse answer =
                AnswerContentRequest(*uri, range, state.contentFolder, state.options);
            SetAnswer(answer, response);
            // The isolated page is another origin than this listener; its media elements may
            // load from here only when the answers say so.
            if (state.options.crossOriginIsolation) {
                response.headers.emplace("Cross-Origin-Resource-Policy", "cross-origin");
            }
        });
    const int port = state.server.bind_to_any_port("127.0.0.1");
    if (port <= 0) {
        return false;
    }
    state.baseUrl = MediaBaseUrl(port, state.token);
    state.thread = std::thread([&state] { state.server.listen_after_bind(); });
    return true;
}

const std::string& MediaListener::baseUrl() const {
    return state_->baseUrl;
}

void MediaListener::Stop() {
    if (state_->thread.joinable()) {
        state_->server.stop();
        state_->thread.join();
    }
}

}  // namespace tessaly
