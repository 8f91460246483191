#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "base/text.h"
#include "saves/save_folder.h"

namespace tessaly {
namespace {

// A file descriptor, closed with its owner.
class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~Fd() { reset(); }
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            close(fd_);
        }
        fd_ = fd;
    }

  private:
    int fd_;
};

Failure SystemError(const std::string& path, int error) {
    return FailureAbout(FailureKind::IOError, path,
                        std::string("cannot be used: ") + strerror(error));
}

// What stands at `name` in `folder`, not following a link.
std::optional<struct stat> StatAt(int folder, const std::string& name) {
    struct stat info {};
    if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return info;
}

// Why `name` in `folder` could not be opened as asked.
Failure OpenFailure(int folder, const std::string& name, const std::string& path, int error) {
    if (error == ENOENT) {
        return FailureAbout(FailureKind::NotFound, path, "does not exist");
    }
    const std::optional<struct stat> info = StatAt(folder, name);
    if (info && S_ISLNK(info->st_mode)) {
        return FailureAbout(FailureKind::NotAllowed, path, kLinkRefused);
    }
    if (error == ENOTDIR) {
        return FailureAbout(FailureKind::NotAllowed, path, "is a file, not a folder");
    }
    return SystemError(path, error);
}

// Whether the process is there; a process of another user counts too. A new process that got
// the id of an ended one cannot be told apart: its leftovers wait for a later start.
bool IsProcessRunning(std::uint32_t id) {
    return kill(pid_t(id), 0) == 0 || errno != ESRCH;
}

// Whether the temporary file `name` is a leftover: its writer is gone or not known. The sweep
// runs before this process writes, so one with this process's own id is an earlier process's
// that had the same id, as a restart often gets in a PID namespace.
bool IsLeftover(std::string_view name) {
    const std::optional<std::uint32_t> owner = PartialWriteOwner(name);
    return !owner || *owner == std::uint32_t(getpid()) || !IsProcessRunning(*owner);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(std::size_t(written));
    }
    return true;
}

std::int64_t Milliseconds(const struct timespec& time) {
    return std::int64_t(time.tv_sec) * 1000 + time.tv_nsec / 1000000;
}

void RemovePartialWritesIn(int folder, int depthLeft) {
    DIR* listing = fdopendir(dup(folder));
    if (!listing) {
        return;
    }
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        if (IsPartialWriteName(name)) {
            if (IsLeftover(name)) {
                unlinkat(folder, name.c_str(), 0);
            }
            continue;
        }
        const Fd inner(
            openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (inner.get() >= 0 && depthLeft > 0) {
            RemovePartialWritesIn(inner.get(), depthLeft - 1);
        }
    }
    closedir(listing);
}

class PosixSaveFolder final : public SaveFolder {
  public:
    explicit PosixSaveFolder(std::string root) : root_(std::move(root)) {}

    std::optional<Failure> Write(const SavePath& path, std::string_view bytes) override {
        Outcome<Fd> folder = OpenFolder(path, path.size() - 1, /*make=*/true);
        if (Failure* failure = std::get_if<Failure>(&folder)) {
            return *failure;
        }
        const int parent = std::get<Fd>(folder).get();
        const std::string text = SavePathText(path, path.size());
        const std::string& name = path.back();
        if (const std::optional<struct stat> info = StatAt(parent, name)) {
            // A link put there after this look is replaced, never followed.
            if (S_ISLNK(info->st_mode)) {
                return FailureAbout(FailureKind::NotAllowed, text, kLinkRefused);
            }
            if (S_ISDIR(info->st_mode)) {
                return FailureAbout(FailureKind::NotAllowed, text, "is a folder");
            }
        }
        const std::string partial = NewPartialWriteName(std::uint32_t(getpid()));
        Fd file(openat(parent, partial.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (file.get() < 0) {
            return SystemError(text, errno);
        }
        const bool done = WriteAll(file.get(), bytes) && fsync(file.get()) == 0 &&
                          close(file.release()) == 0 &&
                          renameat(parent, partial.c_str(), parent, name.c_str()) == 0;
        if (!done) {
            const int error = errno;
            unlinkat(parent, partial.c_str(), 0);
            return SystemError(text, error);
        }
        // The new name itself is on disk only once the folder is.
        fsync(parent);
        return std::nullopt;
    }

    Outcome<std::string> Read(const SavePath& path, std::uint64_t limit) override {
        Outcome<Fd> folder = OpenFolder(path, path.size() - 1, /*make=*/false);
        if (Failure* failure = std::get_if<Failure>(&folder)) {
            return *failure;
        }
        const int parent = std::get<Fd>(folder).get();
        const std::string text = SavePathText(path, path.size());
        // Non-blocking: a pipe someone put there must not hang the open.
        const Fd file(
            openat(parent, path.back().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (file.get() < 0) {
            return OpenFailure(parent, path.back(), text, errno);
        }
        struct stat info {};
        if (fstat(file.get(), &info) != 0) {
            return SystemError(text, errno);
        }
        if (S_ISDIR(info.st_mode)) {
            return FailureAbout(FailureKind::NotAllowed, text, "is a folder, not a file");
        }
        if (!S_ISREG(info.st_mode)) {
            return FailureAbout(FailureKind::NotAllowed, text, "is not a file");
        }
        if (std::uint64_t(info.st_size) > limit) {
            return TooLarge(text, limit);
        }
        std::string bytes(std::size_t(info.st_size), '\0');
        std::size_t have = 0;
        // One byte more than the limit shows a file that grew meanwhile.
        while (have <= limit) {
            if (have == bytes.size()) {
                bytes.resize(std::min<std::uint64_t>(limit + 1, bytes.size() * 2 + 4096));
            }
            const ssize_t got = read(file.get(), bytes.data() + have, bytes.size() - have);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return SystemError(text, errno);
            }
            if (got == 0) {
                break;
            }
            have += std::size_t(got);
        }
        if (have > limit) {
            return TooLarge(text, limit);
        }
        bytes.resize(have);
        return bytes;
    }

    Outcome<std::vector<SaveEntry>> List(const SavePath& path) override {
        Outcome<Fd> folder = OpenFolder(path, path.size(), /*make=*/false);
        if (Failure* failure = std::get_if<Failure>(&folder)) {
            if (path.empty() && failure->kind == FailureKind::NotFound) {
                return std::vector<SaveEntry>{};  // nothing saved yet
            }
            return *failure;
        }
        const int fd = std::get<Fd>(folder).get();
        DIR* listing = fdopendir(dup(fd));
        if (!listing) {
            return SystemError(SavePathText(path, path.size()), errno);
        }
        std::vector<SaveEntry> entries;
        while (const dirent* entry = readdir(listing)) {
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || IsPartialWriteName(name)) {
                continue;
            }
            const std::optional<struct stat> info = StatAt(fd, name);
            if (!info || !(S_ISREG(info->st_mode) || S_ISDIR(info->st_mode))) {
                continue;
            }
            const bool isFolder = S_ISDIR(info->st_mode);
            entries.push_back({name, isFolder, isFolder ? 0 : std::uint64_t(info->st_size),
                               Milliseconds(info->st_mtim)});
        }
        closedir(listing);
        return entries;
    }

    std::optional<Failure> Remove(const SavePath& path) override {
        Outcome<Fd> folder = OpenFolder(path, path.size() - 1, /*make=*/false);
        if (Failure* failure = std::get_if<Failure>(&folder)) {
            return *failure;
        }
        const int parent = std::get<Fd>(folder).get();
        const std::string text = SavePathText(path, path.size());
        const std::optional<struct stat> info = StatAt(parent, path.back());
        if (!info) {
            return FailureAbout(FailureKind::NotFound, text, "does not exist");
        }
        const bool isFolder = S_ISDIR(info->st_mode);
        if (unlinkat(parent, path.back().c_str(), isFolder ? AT_REMOVEDIR : 0) != 0) {
            if (errno == ENOTEMPTY || errno == EEXIST) {
                return FailureAbout(FailureKind::NotAllowed, text, "is a folder that is not empty");
            }
            return SystemError(text, errno);
        }
        fsync(parent);
        return std::nullopt;
    }

    Outcome<bool> Exists(const SavePath& path) override {
        Outcome<Fd> folder = OpenFolder(path, path.size() - 1, /*make=*/false);
        if (Failure* failure = std::get_if<Failure>(&folder)) {
            if (failure->kind == FailureKind::IOError) {
                return *failure;
            }
            return false;  // a folder on the way is missing, a file or a link
        }
        const std::optional<struct stat> info = StatAt(std::get<Fd>(folder).get(), path.back());
        return info && (S_ISREG(info->st_mode) || S_ISDIR(info->st_mode));
    }

    void RemovePartialWrites() override {
        const Fd root(open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (root.get() >= 0) {
            RemovePartialWritesIn(root.get(), int(kMaxSaveSegments));
        }
    }

  private:
    static Failure TooLarge(const std::string& path, std::uint64_t limit) {
        return FailureAbout(FailureKind::TooLarge, path,
                            "is larger than " + std::to_string(limit) + " bytes");
    }

    // The folder of the path's first `count` names, each opened without following a link;
    // with `make`, the save folder and the folders on the way are made when missing.
    Outcome<Fd> OpenFolder(const SavePath& path, std::size_t count, bool make) {
        if (make) {
            for (std::size_t slash = root_.find('/', 1); slash != std::string::npos;
                 slash = root_.find('/', slash + 1)) {
                mkdir(root_.substr(0, slash).c_str(), 0777);
            }
        }
        Fd folder(open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folder.get() < 0) {
            if (errno == ENOENT) {
                return FailureAbout(FailureKind::NotFound, SavePathText(path, path.size()),
                                    "does not exist: nothing has been saved yet");
            }
            return SystemError(root_, errno);
        }
        for (std::size_t i = 0; i < count; ++i) {
            const char* name = path[i].c_str();
            if (make) {
                mkdirat(folder.get(), name, 0777);
            }
            Fd inner(openat(folder.get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (inner.get() < 0) {
                return OpenFailure(folder.get(), path[i], SavePathText(path, i + 1), errno);
            }
            folder = std::move(inner);
        }
        return folder;
    }

    std::string root_;
};

}  // namespace

std::unique_ptr<SaveFolder> OpenSaveFolder(const std::u16string& root) {
    return std::make_unique<PosixSaveFolder>(WideToUtf8(root));
}

}  // namespace tessaly
