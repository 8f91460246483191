// The loopback HTTP listener the Linux host's media elements load from (see app_origin.h).
#pragma once

#include <memory>
#include <string>

#include "server/resource_response.h"

namespace tessaly {

class MediaListener {
  public:
    MediaListener();
    ~MediaListener();
    MediaListener(const MediaListener&) = delete;
    MediaListener& operator=(const MediaListener&) = delete;

    // Answers requests for files of `contentFolder` (ending in '/') on a free port of 127.0.0.1,
    // under a fresh token, from threads of its own. False when no port could be bound.
    bool Start(const std::u16string& contentFolder, const AnswerOptions& options = {});
    // "http://127.0.0.1:PORT/TOKEN/", once started.
    const std::string& baseUrl() const;
    // Ends every connection and joins the threads.
    void Stop();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace tessaly
