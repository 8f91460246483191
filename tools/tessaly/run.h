// `tessaly run`: an app in the Linux program, for a preview with the program's own behaviour.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace tessaly::tool {

struct RunOptions {
    std::filesystem::path app;
    std::filesystem::path host;  // the built tessaly-host
    std::vector<std::string> pageArgs;
};

// Checks the app, then runs the host on it and waits for it. Returns the host's exit code, or 1
// when the app has errors or the host cannot start (with what it needs to).
int RunApp(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tessaly::tool
