// The Linux host's answers to content requests, and the one place where an answer becomes the
// bytes of its body.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "server/decoded_reader.h"
#include "server/resource_response.h"
#include "server/span_reader.h"

namespace tessaly {

// AnswerResourceRequest over the platform's file access and the process-wide mapped file cache.
// Requests come from the browser engine on the main thread and from the media listener's
// threads, so one lock keeps the content server and its cache to one caller at a time.
ResourceResponse AnswerContentRequest(std::u16string_view virtualUri,
                                      std::optional<std::u16string_view> range,
                                      const std::u16string& contentFolder,
                                      const AnswerOptions& options = {});

// The body of an answer, read from start to end, a piece at a time: a whole file is never held
// in memory. One reader is used by one thread at a time; several readers may read at once.
class ResponseBody {
  public:
    // Opens the body of `response`. When its file can no longer be opened, the response becomes
    // "500 Internal Server Error" with no body (AnswerBodyUnavailable) and the body is empty.
    explicit ResponseBody(ResourceResponse& response);

    // The body's length in bytes.
    std::uint64_t size() const { return size_; }
    // The bytes not read yet.
    std::uint64_t remaining() const { return size_ - offset_; }

    // Copies the next bytes into `buffer`; how many, 0 at the end or when the file cannot be read.
    std::size_t Read(std::span<std::byte> buffer);

  private:
    struct CloseFile {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, CloseFile> file_;
    std::optional<SpanReader> span_;
    std::optional<DecodedReader> decoded_;
    std::span<const std::byte> bytes_;  // the "File not found" text
    std::uint64_t size_ = 0;
    std::uint64_t offset_ = 0;
};

}  // namespace tessaly
