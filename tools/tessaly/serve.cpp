#include "tessaly/serve.h"

#include <httplib.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <iostream>
#include <mutex>
#include <thread>

#include "base/text.h"
#include "server/decoded_reader.h"
#include "server/file_access.h"
#include "server/mapped_file_cache.h"
#include "server/resource_response.h"
#include "server/span_reader.h"
#include "tessaly/check.h"
#include "tessaly/file_names.h"
#include "tessaly/http_answer.h"

namespace tessaly::tool {
namespace {

constexpr std::size_t kReadChunk = std::size_t{64} << 10;
constexpr const char* kEverything = R"([\s\S]*)";

// The headers of the answer being sent on this thread. The HTTP library handles each request on
// one thread from routing to writing, so its later hooks find the answer here.
thread_local std::optional<std::vector<HttpHeader>> tAnswerHeaders;

}  // namespace

struct ContentServer::State {
    httplib::Server server;
    std::u16string contentFolder;
    AnswerOptions options;
    // The content server's answer and its mapped file cache are single-threaded; the HTTP
    // library is not. Bodies are sent outside the lock: each span's reader holds its file.
    std::mutex answering;
    MappedFileCache cache{PlatformFileAccess()};
    std::function<void(const std::string&)> log;

    void Answer(const httplib::Request& request, httplib::Response& response) {
        // The library would cut the body to the request's ranges once more; the answer already
        // is the span the Range header asks for.
        const_cast<httplib::Request&>(request).ranges.clear();
        std::optional<std::u16string> range;
        if (request.has_header("Range")) {
            range = Utf8ToWide(request.get_header_value("Range"));
        }
        ResourceResponse answer;
        {
            std::lock_guard lock(answering);
            answer = AnswerResourceRequest(VirtualUriOf(request.target), range, contentFolder,
                                           PlatformFileAccess(), cache, options);
        }
        SetBody(answer, response);
        response.status = answer.status;
        tAnswerHeaders = HttpHeadersOf(answer);
        if (log) {
            std::optional<std::string> rangeText;
            if (range) {
                rangeText = request.get_header_value("Range");
            }
            log(RequestLogLine(request.method, request.target, rangeText, answer.status,
                               *tAnswerHeaders));
        }
    }

    static void SetBody(ResourceResponse& answer, httplib::Response& response) {
        const std::uint64_t length = ContentLengthOf(answer).value_or(0);
        switch (answer.body) {
            case BodyKind::None:
                return;
            case BodyKind::NotFoundText:
                response.set_content_provider(
                    kNotFoundBody.size(), "",
                    [](std::size_t offset, std::size_t count, httplib::DataSink& sink) {
                        return sink.write(kNotFoundBody.data() + offset, count);
                    });
                return;
            case BodyKind::WholeFile: {
                auto file = std::make_shared<std::ifstream>(
                    PathFromUtf8(WideToUtf8(answer.filePath)), std::ios::binary);
                if (!*file) {
                    AnswerBodyUnavailable(answer);  // as the program does
                    return;
                }
                if (length == 0) {
                    return;
                }
                response.set_content_provider(
                    std::size_t(length), "",
                    [file](std::size_t offset, std::size_t count, httplib::DataSink& sink) {
                        std::vector<char> buffer(std::min(count, kReadChunk));
                        file->seekg(std::streamoff(offset));
                        file->read(buffer.data(), std::streamsize(buffer.size()));
                        const auto read = std::size_t(file->gcount());
                        return read > 0 && sink.write(buffer.data(), read);
                    });
                return;
            }
            case BodyKind::Span:
                SetReader(std::make_shared<SpanReader>(answer.file, answer.span), response);
                return;
            case BodyKind::Decoded:
                SetReader(
                    std::make_shared<DecodedReader>(answer.file, answer.compression, answer.span),
                    response);
                return;
        }
    }

    // A body read a piece at a time by a SpanReader or a DecodedReader.
    template <class Reader>
    static void SetReader(std::shared_ptr<Reader> reader, httplib::Response& response) {
        response.set_content_provider(
            std::size_t(reader->size()), "",
            [reader](std::size_t offset, std::size_t count, httplib::DataSink& sink) {
                std::vector<std::byte> buffer(std::min(count, kReadChunk));
                reader->Seek(offset);
                const std::optional<std::size_t> read = reader->Read(buffer.data(), buffer.size());
                return read && *read > 0 &&
                       sink.write(reinterpret_cast<const char*>(buffer.data()), *read);
            });
    }
};

ContentServer::ContentServer(const std::filesystem::path& www, const AnswerOptions& options)
    : state_(new State) {
    state_->contentFolder = www.u16string() + char16_t(std::filesystem::path::preferred_separator);
    state_->options = options;
    httplib::Server& server = state_->server;
    State& state = *state_;
    const auto answer = [&state](const httplib::Request& request, httplib::Response& response) {
        state.Answer(request, response);
    };
    server.Get(kEverything, answer);  // HEAD comes here too
    server.Post(kEverything, answer);
    server.Put(kEverything, answer);
    server.Patch(kEverything, answer);
    server.Delete(kEverything, answer);
    server.Options(kEverything, answer);

    // The library answers a Range header it cannot read with its own 416 before any route runs;
    // the program answers such a request like any other (a 404 for a missing file, say).
    server.set_error_handler(httplib::Server::HandlerWithResponse(
        [&state](const httplib::Request& request, httplib::Response& response) {
            if (tAnswerHeaders || response.status != 416 || !request.has_header("Range")) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            state.Answer(request, response);
            return httplib::Server::HandlerResponse::Handled;
        }));

    // Last stop before the headers are written: the answer's header lines, and of what the
    // library added only what HTTP needs.
    server.set_post_routing_handler([](const httplib::Request&, httplib::Response& response) {
        if (!tAnswerHeaders) {
            return;  // the library's own answer to a malformed request
        }
        std::vector<HttpHeader> added;
        for (const auto& [name, value] : response.headers) {
            added.push_back({name, value});
        }
        response.headers.clear();
        for (const HttpHeader& header : WireHeaders(*tAnswerHeaders, added)) {
            response.headers.emplace(header.name, header.value);
        }
        tAnswerHeaders.reset();
    });
}

ContentServer::~ContentServer() {
    Stop();
}

void ContentServer::SetLog(std::function<void(const std::string&)> log) {
    state_->log = std::move(log);
}

int ContentServer::Bind(int port) {
    if (port == 0) {
        return state_->server.bind_to_any_port("127.0.0.1");
    }
    return state_->server.bind_to_port("127.0.0.1", port) ? port : -1;
}

bool ContentServer::Run() {
    return state_->server.listen_after_bind();
}

bool ContentServer::IsRunning() const {
    return state_->server.is_running();
}

void ContentServer::Stop() {
    state_->server.stop();
}

bool CanServe() {
    return true;
}

int Serve(const ServeOptions& options, std::ostream& out, std::ostream& err) {
    const CheckResult check = CheckApp(options.app);
    for (const Diagnostic& diagnostic : check.diagnostics) {
        err << FormatDiagnostic(options.app, diagnostic) << '\n';
    }
    const std::filesystem::path www = options.app / "www";
    std::error_code error;
    if (!std::filesystem::is_directory(www, error)) {
        err << "serve: " << Utf8Path(www) << " is not a folder\n";
        return 1;
    }
    std::ofstream logFile;
    std::mutex logging;
    std::ostream* log = nullptr;
    if (options.log) {
        if (*options.log == "-") {
            log = &out;
        } else {
            logFile.open(*options.log, std::ios::app);
            if (!logFile) {
                err << "serve: cannot write the log " << Utf8Path(*options.log) << '\n';
                return 1;
            }
            log = &logFile;
        }
    }

    // Ctrl+C and termination stop the server from a thread of their own, so that it can finish
    // cleanly; the signals are blocked before the server's threads start, which inherit that.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    // As the program would answer: with the app's settings, or its defaults when they cannot be
    // loaded.
    AnswerOptions answerOptions;
    if (check.settings) {
        answerOptions.crossOriginIsolation = check.settings->crossOriginIsolation;
    }
    ContentServer server(www, answerOptions);
    if (log) {
        server.SetLog([log, &logging](const std::string& line) {
            std::lock_guard lock(logging);
            *log << line << std::endl;
        });
    }
    const int port = server.Bind(options.port);
    if (port < 0) {
        err << "serve: cannot listen on 127.0.0.1 port " << options.port << '\n';
        return 1;
    }
    const std::string origin = "http://127.0.0.1:" + std::to_string(port) + "/";
    const std::u16string page = check.settings ? check.settings->mainPage : u"index.html";
    out << "Serving " << Utf8Path(www) << " at " << origin << "\n"
        << "Start page: " << origin << WideToUtf8(page) << "\n"
        << "Press Ctrl+C to stop." << std::endl;

    std::thread stopper([&server, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.Stop();
    });
    const bool ran = server.Run();
    // Wakes the stopper when the server ended by itself; otherwise the signal stays blocked and
    // pending until the process ends.
    kill(getpid(), SIGTERM);
    stopper.join();
    return ran ? 0 : 1;
}

}  // namespace tessaly::tool
