// Windows glue of the save folder: handles on the files and folders themselves, what they are,
// and retries of what another program's open handle blocks for a moment.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace tessaly {

// A handle, closed with its owner.
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    Handle& operator=(Handle&& other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    ~Handle() { Close(); }
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    bool Close() {
        const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
        return handle == INVALID_HANDLE_VALUE || handle == nullptr || CloseHandle(handle) != 0;
    }

  private:
    HANDLE handle_;
};

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// A folder held open with data access and without FILE_SHARE_DELETE cannot be renamed or
// removed while the handle lives (with attribute access alone, Windows checks no sharing).
inline constexpr DWORD kShareAllButDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;
inline constexpr DWORD kHeldFolderAccess = GENERIC_READ;

// Opens what stands at `path` itself, a file or a folder: a link is opened, not followed.
HANDLE OpenItself(const std::u16string& path, DWORD access, DWORD share);

enum class ItemKind { File, Folder, Link };

// What attributes and a reparse tag say. Only name surrogates (symbolic links, junctions) lead
// elsewhere; other reparse points, such as cloud files not yet downloaded or deduplicated files,
// are the files and folders themselves.
ItemKind KindOf(DWORD attributes, DWORD reparseTag);
// What an open handle stands for; none when Windows does not say (GetLastError tells why).
std::optional<ItemKind> KindOf(HANDLE handle);

// Runs `attempt` (answering ERROR_SUCCESS or why not) until it succeeds or fails for another
// reason than another program's open handle, for about a second at most; its last answer.
DWORD WithRetries(const std::function<DWORD()>& attempt);

}  // namespace tessaly
