// Entry point of the Windows program.
#include <objbase.h>
#include <windows.h>

#include "app/file_bytes.h"
#include "app/package_settings.h"
#include "app/paths.h"
#include "app/wide_cast.h"

namespace {

int FailWith(const wchar_t* text) {
    MessageBoxW(nullptr, text, L"Windows Tessaly", MB_OK | MB_ICONERROR);
    return 1;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace tessaly;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    const std::u16string programFolder = FolderOf(ModulePath());
    const std::string packageText = ReadFileBytes(programFolder + u"package.json");
    if (packageText.empty()) {
        return FailWith(
            L"Failed to load package.json. Check the file is in the same folder as the app.");
    }
    PackageSettings settings;
    try {
        LoadPackageSettings(packageText, settings);
    } catch (...) {
        return FailWith(
            L"Failed to parse package.json. Check the file has valid JSON and that all "
            L"parameters are correct.");
    }
    return 0;
}
