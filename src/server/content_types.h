// The Content-Type of a served file, chosen from the extension of its request path.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace tessaly {

// Lower-case extension with its leading dot -> the exact Content-Type value. Filled once during
// static initialisation and only read afterwards.
extern const std::map<std::u16string, std::u16string, std::less<>> ContentTypeTable;

inline constexpr std::u16string_view kDefaultContentType = u"application/octet-stream";

// The extension is everything from the last dot of the whole path, folder names and any text
// after the file name included, folded to lower case for A-Z only. Unknown or missing
// extensions give kDefaultContentType.
std::u16string ContentTypeForPath(std::u16string_view requestPath);

}  // namespace tessaly
