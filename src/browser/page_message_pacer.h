// Messages for the page that it did not ask for (the extensions' events), handed to the browser
// engine a few at a time. WebKitGTK takes every script it is given at once, queues it without a
// limit and runs one after another in the page: a flood of events would pile up there, ahead of
// the replies the page waits for, and keep it from painting. So only a few are with the engine at
// once; the rest wait here, in a bounded list, and what comes while it is full is dropped.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

namespace tessaly {

class PageMessagePacer {
  public:
    // `deliver` hands one message to the engine; Delivered() must follow once the page has run
    // it. `log` takes a line for the program's log. All on one thread.
    PageMessagePacer(std::size_t mostDelivering, std::size_t mostWaiting,
                     std::function<void(const std::string&)> deliver,
                     std::function<void(const std::string&)> log);

    // Delivers `message` after those sent before it; dropped when the list is full (logged once
    // for each run of drops).
    void Send(std::string message);
    // One message delivered earlier has run: the next waiting one goes.
    void Delivered();
    // The page is going: what waits is dropped.
    void Clear();

  private:
    void Deliver(const std::string& message);

    const std::size_t mostDelivering_;
    const std::size_t mostWaiting_;
    const std::function<void(const std::string&)> deliver_;
    const std::function<void(const std::string&)> log_;
    std::deque<std::string> waiting_;
    std::size_t delivering_ = 0;
    bool dropping_ = false;  // since the list was last full; cleared once it has emptied
};

}  // namespace tessaly
