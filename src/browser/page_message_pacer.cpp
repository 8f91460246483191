#include "browser/page_message_pacer.h"

#include <utility>

namespace tessaly {

PageMessagePacer::PageMessagePacer(std::size_t mostDelivering, std::size_t mostWaiting,
                                   std::function<void(const std::string&)> deliver,
                                   std::function<void(const std::string&)> log)
    : mostDelivering_(mostDelivering),
      mostWaiting_(mostWaiting),
      deliver_(std::move(deliver)),
      log_(std::move(log)) {}

void PageMessagePacer::Send(std::string message) {
    if (delivering_ < mostDelivering_) {
        Deliver(message);
    } else if (waiting_.size() < mostWaiting_) {
        waiting_.push_back(std::move(message));
    } else if (!std::exchange(dropping_, true)) {
        log_("the page is " + std::to_string(mostWaiting_) +
             " messages behind; later ones are dropped until it catches up");
    }
}

void PageMessagePacer::Delivered() {
    --delivering_;
    if (waiting_.empty()) {
        dropping_ = false;
        return;
    }
    const std::string next = std::move(waiting_.front());
    waiting_.pop_front();
    Deliver(next);
}

void PageMessagePacer::Clear() {
    waiting_.clear();
}

void PageMessagePacer::Deliver(const std::string& message) {
    ++delivering_;
    deliver_(message);
}

}  // namespace tessaly
