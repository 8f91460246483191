#include <windows.h>

#include <algorithm>
#include <utility>

#include "base/text.h"
#include "base/wide_cast.h"
#include "saves/save_folder.h"

namespace tessaly {
namespace {

// 100-nanosecond intervals from 1601 to 1970.
constexpr std::int64_t kUnixEpochInFileTime = 116444736000000000;

// A handle, closed with its owner.
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (valid()) {
            CloseHandle(handle_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    bool Close() { return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0; }

  private:
    HANDLE handle_;
};

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

bool IsLink(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool IsFolder(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Whether the process is there. A new process that got the id of an ended one cannot be told
// apart: its leftovers wait for a later start.
bool IsProcessRunning(std::uint32_t id) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process) {
        return GetLastError() == ERROR_ACCESS_DENIED;  // there, but not ours to open
    }
    const bool running = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return running;
}

// Whether the temporary file `name` is a leftover: its writer is gone or not known.
bool IsLeftover(const std::string& name) {
    const std::optional<std::uint32_t> owner = PartialWriteOwner(name);
    return !owner || !IsProcessRunning(*owner);
}

void RemovePartialWritesIn(const std::u16string& folder, int depthLeft) {
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
        } else if (IsFolder(found.dwFileAttributes) && !IsLink(found.dwFileAttributes) &&
                   depthLeft > 0) {
            RemovePartialWritesIn(folder + name + u"\\", depthLeft - 1);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

class Win32SaveFolder final : public SaveFolder {
  public:
    explicit Win32SaveFolder(std::u16string root) : root_(LongPathForm(std::move(root))) {}

    std::optional<Failure> Write(const SavePath& path, std::string_view bytes) override {
        if (std::optional<Failure> failure = CheckFile(path, /*make=*/true, "is a folder")) {
            return failure;
        }
        const std::string text = SavePathText(path, path.size());
        const std::u16string target = PathOf(path, path.size());
        const std::u16string partial =
            FolderOf(path) + Utf8ToWide(NewPartialWriteName(GetCurrentProcessId()));
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
        done = done && FlushFileBuffers(file.get()) && file.Close() &&
               MoveFileExW(AsWide(partial), AsWide(target),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!done) {
            const DWORD error = GetLastError();
            if (file.valid()) {
                file.Close();
            }
            DeleteFileW(AsWide(partial));
            return SystemError(text, error);
        }
        return std::nullopt;
    }

    Outcome<std::string> Read(const SavePath& path, std::uint64_t limit) override {
        if (std::optional<Failure> failure =
                CheckFile(path, /*make=*/false, "is a folder, not a file")) {
            return *failure;
        }
        const std::string text = SavePathText(path, path.size());
        const std::u16string target = PathOf(path, path.size());
        Handle file(CreateFileW(AsWide(target), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!file.valid()) {
            return SystemError(text, GetLastError());
        }
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size)) {
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
            if (!ReadFile(file.get(), bytes.data() + have, DWORD(bytes.size() - have), &got,
                          nullptr)) {
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
        if (std::optional<Failure> failure = CheckFolders(path, /*make=*/false, path.size())) {
            if (path.empty() && failure->kind == FailureKind::NotFound) {
                return std::vector<SaveEntry>{};  // nothing saved yet
            }
            return *failure;
        }
        const std::u16string folder = PathOf(path, path.size());
        if (!path.empty() && !IsFolder(GetFileAttributesW(AsWide(folder)))) {
            return FailureAbout(FailureKind::NotAllowed, SavePathText(path, path.size()),
                                "is not a folder");
        }
        WIN32_FIND_DATAW found{};
        const std::u16string pattern = (path.empty() ? folder : folder + u"\\") + u"*";
        const HANDLE search = FindFirstFileW(AsWide(pattern), &found);
        std::vector<SaveEntry> entries;
        if (search == INVALID_HANDLE_VALUE) {
            return entries;
        }
        do {
            const std::string name = WideToUtf8(FromWide(found.cFileName));
            if (name == "." || name == ".." || IsPartialWriteName(name) ||
                IsLink(found.dwFileAttributes)) {
                continue;
            }
            const bool isFolder = IsFolder(found.dwFileAttributes);
            const std::uint64_t size =
                std::uint64_t(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
            entries.push_back(
                {name, isFolder, isFolder ? 0 : size, Milliseconds(found.ftLastWriteTime)});
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return entries;
    }

    std::optional<Failure> Remove(const SavePath& path) override {
        if (std::optional<Failure> failure = CheckFolders(path, /*make=*/false)) {
            return failure;
        }
        const std::string text = SavePathText(path, path.size());
        const std::u16string target = PathOf(path, path.size());
        const DWORD attributes = GetFileAttributesW(AsWide(target));
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            return SystemError(text, GetLastError());
        }
        // A link goes, never what it points to.
        const bool removed =
            IsFolder(attributes) ? RemoveDirectoryW(AsWide(target)) : DeleteFileW(AsWide(target));
        if (!removed) {
            const DWORD error = GetLastError();
            if (error == ERROR_DIR_NOT_EMPTY) {
                return FailureAbout(FailureKind::NotAllowed, text, "is a folder that is not empty");
            }
            return SystemError(text, error);
        }
        return std::nullopt;
    }

    Outcome<bool> Exists(const SavePath& path) override {
        if (std::optional<Failure> failure = CheckFolders(path, /*make=*/false)) {
            if (failure->kind == FailureKind::IOError) {
                return *failure;
            }
            return false;  // a folder on the way is missing, a file or a link
        }
        const DWORD attributes = GetFileAttributesW(AsWide(PathOf(path, path.size())));
        return attributes != INVALID_FILE_ATTRIBUTES && !IsLink(attributes);
    }

    void RemovePartialWrites() override { RemovePartialWritesIn(root_, int(kMaxSaveSegments)); }

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

    // The save folder joined with the path's first `count` names.
    std::u16string PathOf(const SavePath& path, std::size_t count) const {
        std::u16string full = root_;
        for (std::size_t i = 0; i < count; ++i) {
            full += (i ? u"\\" : u"") + Utf8ToWide(path[i]);
        }
        return full;
    }

    // The folder of the path's last name, ending in a backslash.
    std::u16string FolderOf(const SavePath& path) const {
        return path.size() == 1 ? root_ : PathOf(path, path.size() - 1) + u"\\";
    }

    // Checks the way to the path's file: the folders on it (made when missing, with `make`), and
    // that the name itself is no link and no folder (`folderThere` says so).
    std::optional<Failure> CheckFile(const SavePath& path, bool make,
                                     std::string_view folderThere) {
        if (std::optional<Failure> failure = CheckFolders(path, make)) {
            return failure;
        }
        const std::string text = SavePathText(path, path.size());
        const DWORD attributes = GetFileAttributesW(AsWide(PathOf(path, path.size())));
        if (IsLink(attributes)) {
            return FailureAbout(FailureKind::NotAllowed, text, kLinkRefused);
        }
        if (IsFolder(attributes)) {
            return FailureAbout(FailureKind::NotAllowed, text, folderThere);
        }
        return std::nullopt;
    }

    // Checks the folders on the way to the path's last name (or, with `count`, through its
    // first `count` names): each must be a real folder; with `make`, missing ones are made.
    std::optional<Failure> CheckFolders(const SavePath& path, bool make,
                                        std::optional<std::size_t> count = std::nullopt) {
        const std::size_t folders = count.value_or(path.size() - 1);
        if (make) {
            for (std::size_t slash = root_.find(u'\\', 4); slash != std::u16string::npos;
                 slash = root_.find(u'\\', slash + 1)) {
                CreateDirectoryW(AsWide(root_.substr(0, slash)), nullptr);
            }
        }
        if (!IsFolder(GetFileAttributesW(AsWide(root_)))) {
            return FailureAbout(FailureKind::NotFound, SavePathText(path, path.size()),
                                "does not exist: nothing has been saved yet");
        }
        for (std::size_t i = 0; i < folders; ++i) {
            const std::u16string folder = PathOf(path, i + 1);
            if (make) {
                CreateDirectoryW(AsWide(folder), nullptr);
            }
            const DWORD attributes = GetFileAttributesW(AsWide(folder));
            const std::string text = SavePathText(path, i + 1);
            if (attributes == INVALID_FILE_ATTRIBUTES) {
                return SystemError(text, GetLastError());
            }
            if (IsLink(attributes)) {
                return FailureAbout(FailureKind::NotAllowed, text, kLinkRefused);
            }
            if (!IsFolder(attributes)) {
                return FailureAbout(FailureKind::NotAllowed, text, "is a file, not a folder");
            }
        }
        return std::nullopt;
    }

    std::u16string root_;  // ends in a backslash
};

}  // namespace

std::unique_ptr<SaveFolder> OpenSaveFolder(const std::u16string& root) {
    return std::make_unique<Win32SaveFolder>(root);
}

}  // namespace tessaly
