#include "saves/save_handles_win32.h"

#include "base/wide_cast.h"

namespace tessaly {
namespace {

// An antivirus, an indexer or a sync client opens a save just written for a moment, and while
// it does the save can be neither replaced nor removed. Waits of 25 ms, 50 ms, ... (as SQLite's
// Windows layer waits) give it about a second in all.
constexpr int kTries = 10;
constexpr DWORD kFirstWaitMs = 25;

// Windows answers a replace or remove of a file someone has open with one of these.
bool IsHeldByAnother(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

}  // namespace

HANDLE OpenItself(const std::u16string& path, DWORD access, DWORD share) {
    return CreateFileW(AsWide(path), access, share, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

ItemKind KindOf(DWORD attributes, DWORD reparseTag) {
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsReparseTagNameSurrogate(reparseTag)) {
        return ItemKind::Link;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? ItemKind::Folder : ItemKind::File;
}

std::optional<ItemKind> KindOf(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof(info))) {
        return std::nullopt;
    }
    return KindOf(info.FileAttributes, info.ReparseTag);
}

DWORD WithRetries(const std::function<DWORD()>& attempt) {
    for (int tries = 1;; ++tries) {
        const DWORD error = attempt();
        if (error == ERROR_SUCCESS || tries == kTries || !IsHeldByAnother(error)) {
            return error;
        }
        Sleep(kFirstWaitMs * DWORD(tries));
    }
}

}  // namespace tessaly
