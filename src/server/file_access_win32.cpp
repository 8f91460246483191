#include <windows.h>
// (windows.h first: the headers below rely on its definitions.)

#include "app/wide_cast.h"
#include "server/file_access.h"

namespace tessaly {
namespace {

class Win32FileAccess final : public FileAccess {
  public:
    FileStatus Status(const std::u16string& path) override {
        // Attributes and the 64-bit size in one query, so the two always describe one file.
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(AsWide(path), GetFileExInfoStandard, &data)) {
            return {};
        }
        if (data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) {
            return {FileKind::Other, 0};
        }
        return {FileKind::RegularFile,
                (std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow};
    }

    std::optional<FileMapping> Open(const std::u16string& path) override {
        HANDLE file = CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return std::nullopt;
        }
        // Nobody can write the file while it is open, so this size stays true.
        LARGE_INTEGER size;
        HANDLE mapping = nullptr;
        if (!GetFileSizeEx(file, &size) ||
            !(mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr))) {
            CloseHandle(file);
            return std::nullopt;
        }
        return FileMapping{reinterpret_cast<std::uintptr_t>(file),
                           reinterpret_cast<std::uintptr_t>(mapping), std::uint64_t(size.QuadPart)};
    }

    const std::byte* MapView(const FileMapping& file, std::uint64_t offset,
                             std::size_t length) override {
        return static_cast<const std::byte*>(MapViewOfFile(reinterpret_cast<HANDLE>(file.mapping),
                                                           FILE_MAP_READ, DWORD(offset >> 32),
                                                           DWORD(offset), length));
    }

    void UnmapView(const std::byte* view, std::size_t) override { UnmapViewOfFile(view); }

    void Close(const FileMapping& file) override {
        CloseHandle(reinterpret_cast<HANDLE>(file.mapping));
        CloseHandle(reinterpret_cast<HANDLE>(file.file));
    }
};

}  // namespace

FileAccess& PlatformFileAccess() {
    static Win32FileAccess* const files = new Win32FileAccess;
    return *files;
}

}  // namespace tessaly
