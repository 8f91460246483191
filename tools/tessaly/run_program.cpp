#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tessaly/file_names.h"
#include "tessaly/run_program.h"

namespace tessaly::tool {

std::optional<std::filesystem::path> FindProgram(std::string_view name) {
#ifdef _WIN32
    constexpr char kSeparator = ';';
    const std::string file = std::string(name) + ".exe";
#else
    constexpr char kSeparator = ':';
    const std::string file(name);
#endif
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "";
    while (!folders.empty()) {
        const std::size_t end = std::min(folders.find(kSeparator), folders.size());
        const std::string_view folder = folders.substr(0, end);
        folders.remove_prefix(std::min(end + 1, folders.size()));
        if (folder.empty()) {
            continue;
        }
        const std::filesystem::path candidate = PathFromUtf8(folder) / PathFromUtf8(file);
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error)) {
            return candidate;
        }
    }
    return std::nullopt;
}

std::string LogTail(const std::filesystem::path& log) {
    constexpr std::size_t kLines = 4;
    std::ifstream in(log, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    std::string tail;
    for (std::size_t i = lines.size() > kLines ? lines.size() - kLines : 0; i < lines.size(); ++i) {
        tail += (tail.empty() ? "" : " / ") + lines[i];
    }
    return tail;
}

}  // namespace tessaly::tool
