// Prints what Windows itself reads of a program's version information and icons, one
// "key=value" line each, for the packed-program test to compare with what pack wrote.
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void Print(const char* key, const std::wstring& value) {
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(size_t(size > 0 ? size : 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    std::printf("%s=%s\n", key, utf8.c_str());
}

int IconSide(HICON icon) {
    ICONINFO info{};
    BITMAP bitmap{};
    if (!icon || !GetIconInfo(icon, &info)) {
        return 0;
    }
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: read_program_face PROGRAM.exe\n");
        return 2;
    }
    const wchar_t* file = argv[1];
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(file, &ignored);
    std::vector<char> data(size);
    if (size == 0 || !GetFileVersionInfoW(file, 0, size, data.data())) {
        std::printf("version=none\n");
    } else {
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)) {
            std::printf("FixedFileVersion=%u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS),
                        LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                        LOWORD(fixed->dwFileVersionLS));
        }
        for (const char* key :
             {"ProductName", "FileDescription", "ProductVersion", "FileVersion", "OriginalFilename",
              "InternalName", "CompanyName", "LegalCopyright"}) {
            const std::wstring path =
                L"\\StringFileInfo\\040904B0\\" + std::wstring(key, key + std::strlen(key));
            wchar_t* value = nullptr;
            if (VerQueryValueW(data.data(), path.c_str(), reinterpret_cast<void**>(&value),
                               &length) &&
                value) {
                Print(key, value);
            }
        }
    }
    std::printf("icons=%u\n", ExtractIconExW(file, -1, nullptr, nullptr, 0));
    HICON large = nullptr;
    HICON small = nullptr;
    ExtractIconExW(file, 0, &large, &small, 1);
    std::printf("large=%d small=%d\n", IconSide(large), IconSide(small));
    HICON fallback =
        LoadIconW(LoadLibraryExW(file, nullptr, LOAD_LIBRARY_AS_DATAFILE), MAKEINTRESOURCEW(32512));
    std::printf("fallback=%d\n", IconSide(fallback));
    return 0;
}
