// The body of an answer for a pre-compressed file: its decoded bytes, decoded as they are read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "server/byte_range.h"
#include "server/mapped_file_cache.h"

namespace tessaly {

enum class Compression {
    Gzip,    // one or more gzip members, one after the other
    Brotli,  // one brotli stream
};

// Reads one span of a compressed file's decoded bytes. Like SpanReader it holds next to nothing
// while idle: the decoder and its input buffer are made at the first read and given back once
// the span has been read to its end. The decoder's own memory is bounded by the format (zlib's
// 32 KiB window, brotli's window of at most 16 MiB), never by the file's size. A read that
// starts before what the decoder has already given starts decoding again from the beginning;
// the bytes before the span's start are decoded and dropped. One reader is used by one thread
// at a time; different readers may run on different threads.
class DecodedReader {
  public:
    DecodedReader(std::shared_ptr<const MappedFile> file, Compression compression, ByteRange span);
    DecodedReader(DecodedReader&&) noexcept;
    DecodedReader& operator=(DecodedReader&&) noexcept;
    ~DecodedReader();

    std::uint64_t size() const { return span_.count(); }
    std::uint64_t position() const { return position_; }
    // Any position, even past the end, where reads give nothing.
    void Seek(std::uint64_t position) { position_ = position; }

    // Copies up to `count` decoded bytes from the position on (fewer at the end of the span) and
    // moves past them; nothing when the file cannot be read or does not decode.
    std::optional<std::size_t> Read(std::byte* destination, std::size_t count);

    class Decoder;

  private:
    std::shared_ptr<const MappedFile> file_;
    Compression compression_;
    ByteRange span_;
    std::uint64_t position_ = 0;
    std::unique_ptr<Decoder> decoder_;
};

// The number of bytes `file` decodes to, found by decoding all of it once; nothing when it
// does not decode to the end (corrupt, cut short, or unreadable).
std::optional<std::uint64_t> MeasureDecodedSize(std::shared_ptr<const MappedFile> file,
                                                Compression compression);

}  // namespace tessaly
