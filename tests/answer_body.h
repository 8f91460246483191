// The bytes an answer of the content server sends, read the way the program reads them.
#pragma once

#include <string>

#include "app/file_bytes.h"
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
        case BodyKind::None:
            break;
    }
    return {};
}

}  // namespace tessaly::test
