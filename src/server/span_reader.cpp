#include "server/span_reader.h"

#include <algorithm>
#include <cstring>

namespace tessaly {

std::optional<std::size_t> SpanReader::Read(std::byte* destination, std::size_t count) {
    std::size_t copied = 0;
    while (copied < count && position_ < size()) {
        if (position_ < windowFirst_ || position_ >= windowEnd_ || !window_) {
            const std::uint64_t length = std::min<std::uint64_t>(kReadWindow, size() - position_);
            window_ = file_->View(span_.first + position_, std::size_t(length));
            if (!window_) {
                return copied > 0 ? std::optional(copied) : std::nullopt;
            }
            windowFirst_ = position_;
            windowEnd_ = position_ + length;
        }
        const auto chunk =
            std::size_t(std::min<std::uint64_t>(count - copied, windowEnd_ - position_));
        std::memcpy(destination + copied, window_.data() + (position_ - windowFirst_), chunk);
        copied += chunk;
        position_ += chunk;
    }
    if (position_ >= size()) {
        window_ = FileView();
        windowFirst_ = windowEnd_ = 0;
    }
    return copied;
}

bool CanViewSpanStart(const MappedFile& file, ByteRange span) {
    return bool(
        file.View(span.first, std::size_t(std::min<std::uint64_t>(kReadWindow, span.count()))));
}

}  // namespace tessaly
