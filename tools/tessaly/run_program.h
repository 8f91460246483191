// Running the outside tools pack uses (the signing tool, the installer compiler) and waiting
// for them.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessaly::tool {

// The program named `name` in a folder of the PATH, as the shell would find it.
std::optional<std::filesystem::path> FindProgram(std::string_view name);

// Runs `program` with `arguments` (UTF-8, each passed as one argument), its standard output and
// error written to `log`, and returns its exit code. Throws std::runtime_error when it cannot be
// started. The arguments are never secrets: they may be seen by other processes.
int RunProgram(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& log);

// The last lines of a tool's log, for a message.
std::string LogTail(const std::filesystem::path& log);

}  // namespace tessaly::tool
