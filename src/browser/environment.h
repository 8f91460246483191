// Creating the browser environment for the host window.
#pragma once

#include <string_view>

namespace tessaly {

struct ProgramState;

// Shown, with the configured title as caption, when the browser control cannot be brought up.
inline constexpr std::u16string_view kBrowserStartFailedText =
    u"The app could not start its browser component (Microsoft Edge WebView2). Reinstalling "
    u"the WebView2 runtime may help. The app will now close.";

// Starts creating the browser environment from the runtime in `browserFolder` (empty: the
// installed runtime) with the program's user data folder. Creation completes later, while the
// message loop runs.
void CreateBrowserEnvironment(std::u16string_view browserFolder, const ProgramState& state);

// Releases the environment options that creation was given, once the message loop has ended.
void ReleaseEnvironmentOptions();

}  // namespace tessaly
