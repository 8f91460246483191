#include <windows.h>
// windows.h first: the shell's header needs its definitions.
#include <shlobj.h>

#include <mutex>

#include "base/program_log.h"
#include "base/text.h"
#include "base/wide_cast.h"

namespace tessaly {
namespace {

std::mutex LogMutex;
std::u16string LogPath;
HANDLE LogFile = INVALID_HANDLE_VALUE;

}  // namespace

void WriteLog(std::string_view line) {
    const std::u16string wide = Utf8ToWide(line) + u"\n";
    OutputDebugStringW(AsWide(wide));
    std::lock_guard lock(LogMutex);
    if (LogFile == INVALID_HANDLE_VALUE && !LogPath.empty()) {
        // The browser makes its data folder, but maybe not yet.
        const std::u16string folder = LogPath.substr(0, LogPath.rfind(u'\\'));
        SHCreateDirectoryExW(nullptr, AsWide(folder), nullptr);
        LogFile = CreateFileW(AsWide(LogPath), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        LogPath.clear();  // one attempt: a folder that cannot hold it will not later
    }
    if (LogFile != INVALID_HANDLE_VALUE) {
        const std::string text = std::string(line) + "\r\n";
        DWORD written = 0;
        WriteFile(LogFile, text.data(), DWORD(text.size()), &written, nullptr);
    }
}

void SetLogFile(std::u16string path) {
    std::lock_guard lock(LogMutex);
    LogPath = std::move(path);
}

}  // namespace tessaly
