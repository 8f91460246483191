// `tessaly serve`: an app's www folder on 127.0.0.1, answered by the program's own content server.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "server/resource_response.h"

namespace tessaly::tool {

// An HTTP server on the loopback address that hands every request to AnswerResourceRequest and
// sends its answer: the same status, header lines and body as the program's browser gets, with
// only the headers HTTP itself needs added. GET, HEAD, POST, PUT, PATCH, DELETE and OPTIONS are
// all answered like GET, as the program does.
class ContentServer {
  public:
    explicit ContentServer(const std::filesystem::path& www, const AnswerOptions& options = {});
    ~ContentServer();
    ContentServer(const ContentServer&) = delete;
    ContentServer& operator=(const ContentServer&) = delete;

    // Called once per request as soon as its answer is decided, before the body is sent, from
    // the server's threads, with its request-log line.
    void SetLog(std::function<void(const std::string&)> log);

    // Binds 127.0.0.1 on `port`, or on a free port for 0. The port bound, or -1.
    int Bind(int port);
    // Answers requests until Stop is called. False when the server could not run.
    bool Run();
    // True once Run is answering requests.
    bool IsRunning() const;
    // Makes Run return; safe from any thread once IsRunning is true.
    void Stop();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

struct ServeOptions {
    std::filesystem::path app;
    int port = 8080;
    std::optional<std::filesystem::path> log;  // "-" for the standard output
};

// The whole command: serves until interrupted (Ctrl+C or a termination signal). Returns the exit
// code.
int Serve(const ServeOptions& options, std::ostream& out, std::ostream& err);

// False in builds without the HTTP library.
bool CanServe();

}  // namespace tessaly::tool
