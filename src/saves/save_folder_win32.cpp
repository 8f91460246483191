#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/text.h"
#include "base/wide_cast.h"
#include "saves/save_folder.h"
#include "saves/save_handles_win32.h"

namespace tessaly {
namespace {

// 100-nanosecond intervals from 1601 to 1970.
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000;

Failure SystemError(const std::string& path, DWORD error) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return FailureAbout(FailureKind::NotFound, path, "does not exist");
    }
    return FailureAbout(FailureKind::IOError, path,
                        "cannot be used: Windows error " + std::to_string(error));
}

std::int64_t Milliseconds(const FILETIME& time) {
    const std::int64_t ticks =
        std::int64_t(std::uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime);
    return (ticks - kUnixEpochInFileTime) / 10000;
}

// Whether the process is there. A new process that got the id of an ended one cannot be told
// apart: its leftovers wait for a later start.
bool IsProcessRunning(std::uint32_t id) {
    const Handle process(OpenProcess(SYNCHRONIZE, FALSE, id));
    if (!process.valid()) {
        return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to open
    }
    return WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

// Whether the temporary file `name` is a leftover: its writer is gone or not known. The sweep
// runs before this process writes, so one with this process's own id is an earlier process's
// that had the same id, as a restart under Wine often gets.
bool IsLeftover(const std::string& name) {
    const std::optional<std::uint32_t> owner = PartialWriteOwner(name);
    return !owner || *owner == GetCurrentProcessId() || !IsProcessRunning(*owner);
}

// Removes the leftovers in `folder` (ending in a backslash, its handle held by the caller) and
// in the folders in it.
void RemoveLeftoversIn(const std::u16string& folder, int depthLeft) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(AsWide(folder + u"*"), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        const std::u16string name = FromWide(found.cFileName);
        if (name == u"." || name == u"..") {
            continue;
        }
        if (const std::string text = WideToUtf8(name); IsPartialWriteName(text)) {
            if (IsLeftover(text)) {
                DeleteFileW(AsWide(folder + name));
            }
        } else if (KindOf(found.dwFileAttributes, found.dwReserved0) == ItemKind::Folder &&
                   depthLeft > 0) {
            const Handle inner(OpenItself(folder + name, kHeldFolderAccess, kShareAllButDelete));
            if (inner.valid() && KindOf(inner.get()) == ItemKind::Folder) {
                RemoveLeftoversIn(folder + name + u"\\", depthLeft - 1);
            }
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// The folders from the save folder to one inside it, each open. The handles deny
// FILE_SHARE_DELETE, so while they are held no folder on the way can be renamed, removed or
// replaced by a link, and the path built from the names leads through what was checked.
struct Way {
    std::vector<Handle> held;
    std::u16string folder;  // ends in a backslash
};

class Win32SaveFolder final : public SaveFolder {
  public:
    explicit Win32SaveFolder(std::u16string root) : root_(LongPathForm(std::move(root))) {}

    std::optional<Failure> Write(const SavePath& path, std::string_view bytes) override {
        Outcome<Way> way = OpenWay(path, path.size() - 1, /*make=*/true);
        if (Failure* failure = std::get_if<Failure>(&way)) {
            return *failure;
        }
        const std::string text = SavePathText(path, path.size());
        const std::u16string& folder = std::get<Way>(way).folder;
        const std::u16string target = folder + Utf8ToWide(path.back());
        if (const Handle there(OpenItself(target, FILE_READ_ATTRIBUTES, kShareAll));
            there.valid()) {
            // A link put there after this look is replaced or refused, never followed.
            const std::optional<ItemKind> kind = KindOf(there.get());
            if (kind == ItemKind::Link) {
                return FailureAbout(FailureKind::NotAllowed, text, kLinkRefused);
            }
            if (kind == ItemKind::Folder) {
                return FailureAbout(FailureKind::NotAllowed, text, "is a folder");
            }
        }
        const std::u16string partial =
            folder + Utf8ToWide(NewPartialWriteName(GetCurrentProcessId()));
        Handle file(CreateFileW(AsWide(partial), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            return SystemError(text, GetLastError());
        }
        bool done = true;
        for (std::string_view left = bytes; done && !left.empty();) {
            DWORD written = 0;
            const DWORD chunk = DWORD(std::min<std::size_t>(left.size(), 1 << 20));
            done = WriteFile(file.get(), left.data(), chunk, &written, nullptr) && written > 0;
            left.remove_prefix(written);
        }
        DWORD error =
            done && FlushFileBuffers(file.get()) && file.Close() ? ERROR_SUCCESS : GetLastError();
        if (error == ERROR_SUCCESS) {
            error = WithRetries([&] {
                return MoveFileExW(AsWide(partial), AsWide(target),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                           ? ERROR_SUCCESS
                           : GetLastError();
            });
        }
        if (error != ERROR_SUCCESS) {
            file.Close();
            DeleteFileW(AsWide(partial));
            return SystemError(text, error);
        }
        return std::nullopt;
    }

    Outcome<std::string> Read(const SavePath& path, std::uint64_t limit) override {
        Outcome<Way> way = OpenWay(path, path.size() - 1, /*make=*/false);
        if (Failure* failure = std::get_if<Failure>(&way)) {
            return *failure;
        }
        const std::string text = SavePathText(path, path.size());
        const std::u16string target = std::get<Way>(way).folder + Utf8ToWide(path.back());
        // Without FILE_SHARE_DELETE, so that the name stays on this file while it is read.
        const Handle itself(OpenItself(target, GENERIC_READ, FILE_SHARE_READ));
        if (!itself.valid()) {
            return SystemError(text, GetLastError());
        }
        FILE_ATTRIBUTE_TAG_INFO info{};
        if (!GetFileInformationByHandleEx(itself.get(), FileAttributeTagInfo, &info,
                                          sizeof(info))) {
            return SystemError(text, GetLastError());
        }
        const ItemKind kind = KindOf(info.FileAttributes, info.ReparseTag);
        if (kind == ItemKind::Link) {
            return FailureAbout(FailureKind::NotAllowed, text, kLinkRefused);
        }
        if (kind == ItemKind::Folder) {
            return FailureAbout(FailureKind::NotAllowed, text, "is a folder, not a file");
        }
        // Another reparse point (a cloud file not yet downloaded, a deduplicated file) gives its
        // content only through the file system filter that owns it: opened once more, normally.
        Handle processed(INVALID_HANDLE_VALUE);
        if (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            processed = Handle(CreateFileW(AsWide(target), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, 0, nullptr));
            if (!processed.valid()) {
                return SystemError(text, GetLastError());
            }
        }
        const HANDLE file = processed.valid() ? processed.get() : itself.get();
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file, &size)) {
            return SystemError(text, GetLastError());
        }
        if (std::uint64_t(size.QuadPart) > limit) {
            return FailureAbout(FailureKind::TooLarge, text,
                                "is larger than " + std::to_string(limit) + " bytes");
        }
        std::string bytes(std::size_t(size.QuadPart), '\0');
        std::size_t have = 0;
        while (have < bytes.size()) {
            DWORD got = 0;
            if (!ReadFile(file, bytes.data() + have, DWORD(bytes.size() - have), &got, nullptr)) {
                return SystemError(text, GetLastError());
            }
            if (got == 0) {
                break;  // it shrank meanwhile
            }
            have += got;
        }
        bytes.resize(have);
        return bytes;
    }

    Outcome<std::vector<SaveEntry>> List(const SavePath& path) override {
        Outcome<Way> way = OpenWay(path, path.size(), /*make=*/false);
        if (Failure* failure = std::get_if<Failure>(&way)) {
            if (path.empty() && failure->kind == FailureKind::NotFound) {
                return std::vector<SaveEntry>{};  // nothing saved yet
            }
            return *failure;
        }
        const std::string text = SavePathText(path, path.size());
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW(AsWide(std::get<Way>(way).folder + u"*"), &found);
        std::vector<SaveEntry> entries;
        if (search == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) {
                return entries;  // a folder with not even "." in it: a drive's root
            }
            return SystemError(text, error);
        }
        do {
            const std::string name = WideToUtf8(FromWide(found.cFileName));
            const ItemKind kind = KindOf(found.dwFileAttributes, found.dwReserved0);
            if (name == "." || name == ".." || IsPartialWriteName(name) || kind == ItemKind::Link) {
                continue;
            }
            const bool isFolder = kind == ItemKind::Folder;
            const std::uint64_t size =
                std::uint64_t(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
            entries.push_back(
                {name, isFolder, isFolder ? 0 : size, Milliseconds(found.ftLastWriteTime)});
        } while (FindNextFileW(search, &found));
        const DWORD error = GetLastError();
        FindClose(search);
        if (error != ERROR_NO_MORE_FILES) {
            return SystemError(text, error);
        }
        return entries;
    }

    std::optional<Failure> Remove(const SavePath& path) override {
        Outcome<Way> way = OpenWay(path, path.size() - 1, /*make=*/false);
        if (Failure* failure = std::get_if<Failure>(&way)) {
            return *failure;
        }
        const std::string text = SavePathText(path, path.size());
        const std::u16string target = std::get<Way>(way).folder + Utf8ToWide(path.back());
        // Opened itself, a link goes, never what it points to.
        const DWORD error = WithRetries([&] {
            const Handle item(OpenItself(target, DELETE, kShareAll));
            FILE_DISPOSITION_INFO disposition{TRUE};
            if (!item.valid() || !SetFileInformationByHandle(item.get(), FileDispositionInfo,
                                                             &disposition, sizeof(disposition))) {
                return GetLastError();
            }
            return DWORD(ERROR_SUCCESS);
        });
        if (error == ERROR_DIR_NOT_EMPTY) {
            return FailureAbout(FailureKind::NotAllowed, text, "is a folder that is not empty");
        }
        if (error != ERROR_SUCCESS) {
            return SystemError(text, error);
        }
        return std::nullopt;
    }

    Outcome<bool> Exists(const SavePath& path) override {
        Outcome<Way> way = OpenWay(path, path.size() - 1, /*make=*/false);
        if (Failure* failure = std::get_if<Failure>(&way)) {
            if (failure->kind == FailureKind::IOError) {
                return *failure;
            }
            return false;  // a folder on the way is missing, a file or a link
        }
        const std::u16string target = std::get<Way>(way).folder + Utf8ToWide(path.back());
        const Handle item(OpenItself(target, FILE_READ_ATTRIBUTES, kShareAll));
        if (!item.valid()) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
                return false;
            }
            return SystemError(SavePathText(path, path.size()), error);
        }
        const std::optional<ItemKind> kind = KindOf(item.get());
        if (!kind) {
            return SystemError(SavePathText(path, path.size()), GetLastError());
        }
        return kind != ItemKind::Link;
    }

    void RemovePartialWrites() override {
        const Outcome<Way> way = OpenWay({}, 0, /*make=*/false);
        if (std::holds_alternative<Way>(way)) {
            RemoveLeftoversIn(root_, int(kMaxSaveSegments));
        }
    }

  private:
    // "\\?\" lifts the MAX_PATH limit; the names are checked, so no other form is needed.
    static std::u16string LongPathForm(std::u16string root) {
        if (root.starts_with(u"\\\\?\\")) {
            return root;
        }
        if (root.starts_with(u"\\\\")) {
            return u"\\\\?\\UNC\\" + root.substr(2);
        }
        return u"\\\\?\\" + root;
    }

    // The save folder and the folders of the path's first `count` names, each opened and
    // checked to be a folder and no link; with `make`, missing ones are made.
    Outcome<Way> OpenWay(const SavePath& path, std::size_t count, bool make) {
        if (make) {
            for (std::size_t slash = root_.find(u'\\', 4); slash != std::u16string::npos;
                 slash = root_.find(u'\\', slash + 1)) {
                CreateDirectoryW(AsWide(root_.substr(0, slash)), nullptr);
            }
        }
        Way way{{}, root_};
        // The save folder itself may lie behind a link (a moved user profile): it is followed.
        way.held.emplace_back(CreateFileW(AsWide(root_.substr(0, root_.size() - 1)),
                                          kHeldFolderAccess, kShareAllButDelete, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        const DWORD error = GetLastError();
        if (!way.held.back().valid() && error != ERROR_FILE_NOT_FOUND &&
            error != ERROR_PATH_NOT_FOUND) {
            return SystemError(SavePathText(path, path.size()), error);
        }
        if (!way.held.back().valid() || KindOf(way.held.back().get()) != ItemKind::Folder) {
            return FailureAbout(FailureKind::NotFound, SavePathText(path, path.size()),
                                "does not exist: nothing has been saved yet");
        }
        for (std::size_t i = 0; i < count; ++i) {
            const std::u16string folder = way.folder + Utf8ToWide(path[i]);
            const std::string text = SavePathText(path, i + 1);
            if (make) {
                CreateDirectoryW(AsWide(folder), nullptr);
            }
            way.held.emplace_back(OpenItself(folder, kHeldFolderAccess, kShareAllButDelete));
            if (!way.held.back().valid()) {
                return SystemError(text, GetLastError());
            }
            const std::optional<ItemKind> kind = KindOf(way.held.back().get());
            if (!kind) {
                return SystemError(text, GetLastError());
            }
            if (kind == ItemKind::Link) {
                return FailureAbout(FailureKind::NotAllowed, text, kLinkRefused);
            }
            if (kind != ItemKind::Folder) {
                return FailureAbout(FailureKind::NotAllowed, text, "is a file, not a folder");
            }
            way.folder = folder + u"\\";
        }
        return way;
    }

    std::u16string root_;  // ends in a backslash
};

}  // namespace

std::unique_ptr<SaveFolder> OpenSaveFolder(const std::u16string& root) {
    return std::make_unique<Win32SaveFolder>(root);
}

}  // namespace tessaly
