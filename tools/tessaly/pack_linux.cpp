#include "tessaly/pack_linux.h"

#include "base/text.h"
#include "tessaly/file_names.h"

namespace tessaly::tool {

namespace fs = std::filesystem;

std::string LinuxProgramFileName(const PackageSettings& settings) {
    const std::string windows = WideToUtf8(ProgramFileName(settings.name));
    return windows.substr(0, windows.size() - 4);
}

std::optional<std::string> LinuxProgramConflict(const PackPlan& plan, const fs::path& host,
                                                const PackageSettings& settings) {
    const std::string name = LinuxProgramFileName(settings);
    for (const std::vector<PackItem>* items : {&plan.items, &plan.linuxItems}) {
        for (const PackItem& item : *items) {
            if (FoldedName(item.destination) == FoldedName(name)) {
                return "two files would be written as " + name + ": the Linux program " +
                       Utf8Path(host) + " and " +
                       (item.folder ? "a folder" : Utf8Path(item.source));
            }
        }
    }
    return std::nullopt;
}

void AddLinuxProgram(PackPlan& plan, const fs::path& host, const PackageSettings& settings) {
    const std::string name = LinuxProgramFileName(settings);
    std::error_code error;
    const std::uintmax_t size = fs::file_size(host, error);
    plan.items.insert(plan.items.begin(), {host, name, false, error ? 0 : size});
    plan.bytes += error ? 0 : size;
    plan.items.insert(plan.items.end(), plan.linuxItems.begin(), plan.linuxItems.end());
}

void MakeLinuxProgramExecutable(const fs::path& out, const PackageSettings& settings) {
    const fs::path program = out / PathFromUtf8(LinuxProgramFileName(settings));
    fs::permissions(program, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add);
}

std::optional<std::string> RefusalToPackLinux(const PackOptions& options) {
    if (!options.linuxHost) {
        return std::nullopt;
    }
    std::error_code error;
    if (options.linuxHost->empty() || !fs::is_regular_file(*options.linuxHost, error)) {
        return "no Linux program at " + Utf8Path(*options.linuxHost) +
               ": build it with cmake --preset native && cmake --build --preset native, or give "
               "its path with --host";
    }
    return std::nullopt;
}

}  // namespace tessaly::tool
