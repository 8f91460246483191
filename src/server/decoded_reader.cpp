#include "server/decoded_reader.h"

#include <brotli/decode.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <vector>

#include "server/span_reader.h"

namespace tessaly {

namespace {

// Compressed bytes are read from the file this much at a time.
constexpr std::size_t kInputChunk = std::size_t{64} << 10;

}  // namespace

// One pass of the decoder over the whole compressed file, from its start.
class DecodedReader::Decoder {
  public:
    Decoder(std::shared_ptr<const MappedFile> file, Compression compression)
        : compression_(compression),
          input_(file, ByteRange{0, file->size() - 1}),
          buffer_(kInputChunk) {
        if (compression_ == Compression::Gzip) {
            zlib_ = z_stream{};
            // 16 + 15: a gzip header and trailer around a deflate stream with a 32 KiB window.
            failed_ = inflateInit2(&zlib_, 16 + MAX_WBITS) != Z_OK;
            zlibReady_ = !failed_;
        } else {
            brotli_ = BrotliDecoderCreateInstance(nullptr, nullptr, nullptr);
            failed_ = brotli_ == nullptr;
        }
    }
    ~Decoder() {
        if (zlibReady_) {
            inflateEnd(&zlib_);
        }
        if (brotli_) {
            BrotliDecoderDestroyInstance(brotli_);
        }
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    // The decoded offset of the next byte Decode gives.
    std::uint64_t produced() const { return produced_; }

    // Decodes up to `count` bytes into `destination`: how many, 0 only at the end of the
    // decoded bytes; nothing when the input is corrupt, cut short or unreadable.
    std::optional<std::size_t> Decode(std::byte* destination, std::size_t count) {
        std::size_t given = 0;
        while (given < count && !finished_ && !failed_) {
            const std::size_t givenBefore = given;
            const std::size_t inputBefore = inputStart_;
            failed_ = !(compression_ == Compression::Gzip ? Inflate(destination, count, given)
                                                          : Unbrotli(destination, count, given));
            // No progress: the decoder needs more input, and a file that has none left is cut
            // short.
            if (!failed_ && !finished_ && given == givenBefore && inputStart_ == inputBefore) {
                failed_ = inputStart_ != inputEnd_ || !Refill();
            }
        }
        if (failed_) {
            return std::nullopt;
        }
        produced_ += given;
        return given;
    }

  private:
    // Reads the next compressed bytes; false when none are left or they cannot be read.
    bool Refill() {
        const std::optional<std::size_t> read = input_.Read(buffer_.data(), buffer_.size());
        inputStart_ = 0;
        inputEnd_ = read.value_or(0);
        return inputEnd_ > 0;
    }

    bool Inflate(std::byte* destination, std::size_t count, std::size_t& given) {
        zlib_.next_in = reinterpret_cast<Bytef*>(buffer_.data() + inputStart_);
        zlib_.avail_in = uInt(inputEnd_ - inputStart_);
        zlib_.next_out = reinterpret_cast<Bytef*>(destination + given);
        zlib_.avail_out = uInt(count - given);
        const int result = inflate(&zlib_, Z_NO_FLUSH);
        inputStart_ = inputEnd_ - zlib_.avail_in;
        given = count - zlib_.avail_out;
        if (result == Z_STREAM_END) {
            // Another member may follow (gzip files may be joined); the input ends after one.
            if (inputStart_ == inputEnd_ && !Refill()) {
                finished_ = true;
                return true;
            }
            return inflateReset(&zlib_) == Z_OK;
        }
        return result == Z_OK || result == Z_BUF_ERROR;  // Z_BUF_ERROR: no progress possible
    }

    bool Unbrotli(std::byte* destination, std::size_t count, std::size_t& given) {
        std::size_t available = inputEnd_ - inputStart_;
        const auto* next = reinterpret_cast<const std::uint8_t*>(buffer_.data() + inputStart_);
        std::size_t room = count - given;
        auto* out = reinterpret_cast<std::uint8_t*>(destination + given);
        const BrotliDecoderResult result =
            BrotliDecoderDecompressStream(brotli_, &available, &next, &room, &out, nullptr);
        inputStart_ = inputEnd_ - available;
        given = count - room;
        if (result == BROTLI_DECODER_RESULT_SUCCESS) {
            finished_ = true;
        }
        return result != BROTLI_DECODER_RESULT_ERROR;
    }

    Compression compression_;
    SpanReader input_;
    std::vector<std::byte> buffer_;
    std::size_t inputStart_ = 0;
    std::size_t inputEnd_ = 0;
    z_stream zlib_{};
    bool zlibReady_ = false;
    BrotliDecoderState* brotli_ = nullptr;
    std::uint64_t produced_ = 0;
    bool finished_ = false;
    bool failed_ = false;
};

DecodedReader::DecodedReader(std::shared_ptr<const MappedFile> file, Compression compression,
                             ByteRange span)
    : file_(std::move(file)), compression_(compression), span_(span) {}
DecodedReader::DecodedReader(DecodedReader&&) noexcept = default;
DecodedReader& DecodedReader::operator=(DecodedReader&&) noexcept = default;
DecodedReader::~DecodedReader() = default;

std::optional<std::size_t> DecodedReader::Read(std::byte* destination, std::size_t count) {
    if (position_ >= size() || count == 0 || !file_ || file_->size() == 0) {
        return position_ >= size() || count == 0 ? std::optional<std::size_t>(0) : std::nullopt;
    }
    const std::uint64_t target = span_.first + position_;
    if (!decoder_ || decoder_->produced() > target) {
        decoder_ = std::make_unique<Decoder>(file_, compression_);
    }
    // Bytes before the position are decoded into the caller's buffer and dropped.
    while (decoder_->produced() < target) {
        const auto skip =
            std::size_t(std::min<std::uint64_t>(count, target - decoder_->produced()));
        const std::optional<std::size_t> skipped = decoder_->Decode(destination, skip);
        if (!skipped || *skipped == 0) {
            decoder_.reset();
            return std::nullopt;
        }
    }
    const auto wanted = std::size_t(std::min<std::uint64_t>(count, size() - position_));
    std::size_t copied = 0;
    while (copied < wanted) {
        const std::optional<std::size_t> got =
            decoder_->Decode(destination + copied, wanted - copied);
        if (!got || *got == 0) {  // corrupt, or shorter than measured: the file changed
            decoder_.reset();
            position_ += copied;
            return copied > 0 ? std::optional(copied) : std::nullopt;
        }
        copied += *got;
    }
    position_ += copied;
    if (position_ >= size()) {
        decoder_.reset();
    }
    return copied;
}

std::optional<std::uint64_t> MeasureDecodedSize(std::shared_ptr<const MappedFile> file,
                                                Compression compression) {
    if (!file || file->size() == 0) {
        return std::nullopt;
    }
    DecodedReader::Decoder decoder(std::move(file), compression);
    std::vector<std::byte> scratch(kInputChunk);
    while (true) {
        const std::optional<std::size_t> got = decoder.Decode(scratch.data(), scratch.size());
        if (!got) {
            return std::nullopt;
        }
        if (*got == 0) {
            return decoder.produced();
        }
    }
}

}  // namespace tessaly
