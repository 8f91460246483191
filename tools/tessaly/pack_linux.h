// `tessaly pack --linux`: the Linux program beside the Windows one, or instead of it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "config/package_settings.h"
#include "tessaly/pack.h"

namespace tessaly::tool {

// What the Linux program needs installed to run, as Debian names the packages.
inline constexpr std::string_view kLinuxRuntimePackages =
    "libwebkit2gtk-4.1-0 gstreamer1.0-plugins-base gstreamer1.0-plugins-good "
    "gstreamer1.0-libav gstreamer1.0-gl";

// The Linux program's file name: the Windows program's without ".exe".
std::string LinuxProgramFileName(const PackageSettings& settings);

// Why `host` cannot join the plan under LinuxProgramFileName (another file, among the items or
// the linuxItems, would be written under that name), or nothing.
std::optional<std::string> LinuxProgramConflict(const PackPlan& plan,
                                                const std::filesystem::path& host,
                                                const PackageSettings& settings);

// Puts `host` into the plan, first, under LinuxProgramFileName, and the plan's linuxItems last.
void AddLinuxProgram(PackPlan& plan, const std::filesystem::path& host,
                     const PackageSettings& settings);

// Makes the copied Linux program in `out` executable by whoever may read it.
void MakeLinuxProgramExecutable(const std::filesystem::path& out, const PackageSettings& settings);

// Why the Linux program cannot be packed, or nothing (also when it is not asked for).
std::optional<std::string> RefusalToPackLinux(const PackOptions& options);

}  // namespace tessaly::tool
