// Which addresses a page may hand to the system to open in another program.
#pragma once

#include <string_view>

namespace tessaly {

// True for http, https, mailto and tel addresses only. Handing the system any other scheme
// (file:, UNC paths, ms-msdt:, search-ms: and the like) lets a page start local programs and
// protocol handlers. Addresses with white space, control characters or double quotes are refused
// too: a URI the browser reports is already escaped, so such text was not made by it.
bool IsSafeToOpenExternally(std::u16string_view uri);

}  // namespace tessaly
