// Base64 (RFC 4648, standard alphabet, with padding): how bytes travel inside the JSON text of
// the page's calls and their replies.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tessaly {

std::string EncodeBase64(std::string_view bytes);

// The bytes, or nothing when `text` is not padded base64 of the standard alphabet (white space
// included: the page's encoder never writes any).
std::optional<std::string> DecodeBase64(std::string_view text);

}  // namespace tessaly
