// The address the runtime installer is downloaded from, given by the build.
#include <windows.h>
// windows.h first.

#include "installer/install_runtime_win32.h"

#ifndef TESSALY_RUNTIME_DOWNLOAD_URL
#error "TESSALY_RUNTIME_DOWNLOAD_URL must name the runtime installer's address"
#endif

#define TESSALY_WIDE_(text) L##text
#define TESSALY_WIDE(text) TESSALY_WIDE_(text)

namespace tessaly {

extern const wchar_t kRuntimeDownloadUrl[] = TESSALY_WIDE(TESSALY_RUNTIME_DOWNLOAD_URL);

}  // namespace tessaly
