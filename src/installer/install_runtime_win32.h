// Downloading and running the WebView2 runtime installer, with a progress window.
#pragma once

#include <windows.h>
// windows.h first: the declarations below use its types.

#include <string>

#include "config/package_settings.h"

namespace tessaly {

// Where the runtime installer is downloaded from; fixed when the program is built.
extern const wchar_t kRuntimeDownloadUrl[];

// Downloads the runtime installer into the user data folder while a progress window shows how
// far it has got, then runs it and waits for it to end. Failures to set up are reported in
// message boxes; whether the runtime came is for the caller to ask the loader. The installer is
// run only when the download succeeded and gave a Windows executable.
void InstallRuntime(HINSTANCE instance, const std::u16string& userDataFolder,
                    const PackageSettings& settings);

}  // namespace tessaly
