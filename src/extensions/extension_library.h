// A native extension's library, loaded by its full path: the platform's loader behind one small
// seam, so the extensions' bookkeeping can be tested with libraries of the test's own.
#pragma once

#include <memory>
#include <string>
#include <variant>

#include "tessaly/extension.h"

namespace tessaly {

using ExtensionLoadFunction = int(TESSALY_EXTENSION_CALL*)(const TessalyHostApi*, const char*,
                                                           void**);
using ExtensionCallFunction = void(TESSALY_EXTENSION_CALL*)(void*, std::uint64_t, const char*,
                                                            const char*);
using ExtensionUnloadFunction = void(TESSALY_EXTENSION_CALL*)(void*);

// A loaded library; it stays loaded as long as this lives.
class ExtensionLibrary {
  public:
    virtual ~ExtensionLibrary() = default;
    // The exported function `name`, or null.
    virtual void* Export(const char* name) = 0;
};

// The library, or why it cannot be loaded (the platform's own words).
using OpenedLibrary = std::variant<std::unique_ptr<ExtensionLibrary>, std::string>;

// Loads the library at the absolute `path` so that the libraries it needs are found beside it
// or among the system's, never in the current folder or on the search path.
OpenedLibrary OpenExtensionLibrary(const std::u16string& path);

}  // namespace tessaly
