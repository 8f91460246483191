#include "browser/content_answer.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "base/file_bytes.h"
#include "server/file_access.h"
#include "server/mapped_file_cache.h"

namespace tessaly {

ResourceResponse AnswerContentRequest(std::u16string_view virtualUri,
                                      std::optional<std::u16string_view> range,
                                      const std::u16string& contentFolder,
                                      const AnswerOptions& options) {
    static std::mutex answering;
    std::lock_guard lock(answering);
    return AnswerResourceRequest(virtualUri, range, contentFolder, PlatformFileAccess(),
                                 MappedFiles(), options);
}

ResponseBody::ResponseBody(ResourceResponse& response) {
    switch (response.body) {
        case BodyKind::None:
            return;
        case BodyKind::NotFoundText:
            bytes_ = std::as_bytes(std::span(kNotFoundBody));
            size_ = bytes_.size();
            return;
        case BodyKind::Span:
            // The reader holds the file open, whatever the cache does meanwhile.
            span_.emplace(response.file, response.span);
            size_ = span_->size();
            return;
        case BodyKind::Decoded:
            decoded_.emplace(response.file, response.compression, response.span);
            size_ = decoded_->size();
            return;
        case BodyKind::WholeFile: {
            const OpenedFile opened = OpenForReading(response.filePath);
            file_.reset(opened.file);
            if (!file_) {
                AnswerBodyUnavailable(response);
                return;
            }
            size_ = opened.regularFileSize;
            return;
        }
    }
}

std::size_t ResponseBody::Read(std::span<std::byte> buffer) {
    const std::size_t count = std::size_t(std::min<std::uint64_t>(buffer.size(), size_ - offset_));
    if (count == 0) {
        return 0;
    }
    std::size_t read = count;
    if (file_) {
        read = std::fread(buffer.data(), 1, count, file_.get());
    } else if (span_) {
        read = span_->Read(buffer.data(), count).value_or(0);
    } else if (decoded_) {
        read = decoded_->Read(buffer.data(), count).value_or(0);
    } else {
        std::memcpy(buffer.data(), bytes_.data() + offset_, count);
    }
    offset_ += read;
    return read;
}

}  // namespace tessaly
