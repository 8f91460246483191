// The values the start-up sequence fills once and every other part of the program reads.
#pragma once

#include <string>
#include <string_view>

#include "config/package_settings.h"

namespace tessaly {

struct ProgramState {
    std::u16string programFolder;  // the executable's folder, ending in a backslash
    PackageSettings settings;
    std::u16string userDataFolder;  // the browser's per-user data folder
};

// The program's own values, for the whole process: WinMain has start-up fill them, and the
// rest of the program reads them afterwards.
inline ProgramState Program;

// The caption of a failure message when the package's own title is not known or not meant.
inline constexpr std::u16string_view kFixedCaption = u"Windows Tessaly";

// Shown by start-up and by the installer's progress window when their window cannot be made.
inline constexpr std::u16string_view kRegisterClassFailedText = u"Failed to register window class";
inline constexpr std::u16string_view kCreateWindowFailedText = u"Failed to create window";

}  // namespace tessaly
