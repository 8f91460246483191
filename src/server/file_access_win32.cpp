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

    std::optional<MappedFile> Map(const std::u16string& path) override {
        HANDLE file = CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return std::nullopt;
        }
        HANDLE mapping = CreateFileMappingW(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (!mapping) {
            CloseHandle(file);
            return std::nullopt;
        }
        const void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
        LARGE_INTEGER size;
        // The size bounds every copy from the view; a view that a 32-bit size cannot describe
        // is never made, since MapViewOfFile fails first.
        if (!view || !GetFileSizeEx(file, &size) || std::uint64_t(size.QuadPart) > SIZE_MAX) {
            if (view) {
                UnmapViewOfFile(view);
            }
            CloseHandle(mapping);
            CloseHandle(file);
            return std::nullopt;
        }
        return MappedFile{reinterpret_cast<std::uintptr_t>(file),
                          reinterpret_cast<std::uintptr_t>(mapping),
                          {static_cast<const std::byte*>(view), std::size_t(size.QuadPart)}};
    }

    void Unmap(const MappedFile& file) override {
        UnmapViewOfFile(file.view.data());
        CloseHandle(reinterpret_cast<HANDLE>(file.mapping));
        CloseHandle(reinterpret_cast<HANDLE>(file.file));
    }
};

}  // namespace

FileAccess& PlatformFileAccess() {
    static Win32FileAccess files;
    return files;
}

}  // namespace tessaly
