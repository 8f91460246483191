// The body of a partial answer: the bytes of one span of a cached file, read on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "server/byte_range.h"
#include "server/mapped_file_cache.h"

namespace tessaly {

// At most this much of a file is viewed at a time while a span is read.
inline constexpr std::size_t kReadWindow = std::size_t{1} << 20;

// Reads one span of a file through a window that moves along it. It holds no bytes of its own:
// nothing is viewed until the first read, and the window is given back once the span has been
// read to its end, so a body that its reader keeps after reading it costs next to nothing. One
// reader is used by one thread at a time; different readers may run on different threads.
class SpanReader {
  public:
    SpanReader(std::shared_ptr<const MappedFile> file, ByteRange span)
        : file_(std::move(file)), span_(span) {}

    std::uint64_t size() const { return span_.count(); }
    std::uint64_t position() const { return position_; }
    // Any position, even past the end, where reads give nothing.
    void Seek(std::uint64_t position) { position_ = position; }

    // Copies up to `count` bytes from the position on (fewer at the end of the span) and moves
    // past them; nothing when the bytes cannot be viewed.
    std::optional<std::size_t> Read(std::byte* destination, std::size_t count);

  private:
    std::shared_ptr<const MappedFile> file_;
    ByteRange span_;
    std::uint64_t position_ = 0;
    FileView window_;
    std::uint64_t windowFirst_ = 0;  // span offsets that window_ holds: [first, end)
    std::uint64_t windowEnd_ = 0;
};

// Whether the start of `span` can be viewed now: a span that cannot be is answered with an error
// before any of it is promised.
bool CanViewSpanStart(const MappedFile& file, ByteRange span);

}  // namespace tessaly
