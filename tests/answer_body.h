// The bytes an answer of the content server sends, read the way the program reads them.
#pragma once

#include <algorithm>
#include <string>

#include "base/file_bytes.h"
#include "server/decoded_reader.h"
#include "server/resource_response.h"
#include "server/span_reader.h"

namespace tessaly::test {

inline std::string AnswerBody(const ResourceResponse& answer) {
    switch (answer.body) {
        case BodyKind::NotFoundText:
            return std::string(kNotFoundBody);
        case BodyKind::WholeFile:
            return ReadFileBytes(answer.filePath);
        case BodyKind::Span: {
            SpanReader reader(answer.file, answer.span);
            std::string bytes(std::size_t(reader.size()), '\0');
            const auto read = reader.Read(reinterpret_cast<std::byte*>(bytes.data()), bytes.size());
            return read == bytes.size() ? bytes : "(unreadable)";
        }
        case BodyKind::Decoded: {
            // In uneven pieces, as a stream's reader may ask.
            DecodedReader reader(answer.file, answer.compression, answer.span);
            std::string bytes(std::size_t(reader.size()), '\0');
            std::size_t at = 0;
            while (at < bytes.size()) {
                const auto read = reader.Read(reinterpret_cast<std::byte*>(bytes.data() + at),
                                              std::min<std::size_t>(7777, bytes.size() - at));
                if (!read || *read == 0) {
                    return "(unreadable)";
                }
                at += *read;
            }
            return bytes;
        }
        case BodyKind::None:
            break;
    }
    return {};
}

}  // namespace tessaly::test
