// Entry point of the Windows program: the start-up steps as Win32 calls.
#include <windows.h>
// windows.h first: GDI+ and COM rely on its definitions.
#include <objbase.h>
#include <objidl.h>
// objidl.h before GDI+, which needs its property types.
#include <gdiplus.h>

#include "app/startup.h"
#include "base/file_bytes.h"
#include "base/paths.h"
#include "base/wide_cast.h"
#include "browser/environment.h"
#include "browser/loader_win32.h"
#include "browser/page_calls_win32.h"
#include "installer/install_runtime_win32.h"
#include "server/mapped_file_cache.h"
#include "window/host_window_win32.h"

namespace tessaly {
namespace {

class Win32Steps final : public StartupSteps {
  public:
    explicit Win32Steps(HINSTANCE instance) : instance_(instance) {}

    void InitializeCom() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    std::u16string ModulePath() override { return tessaly::ModulePath(); }
    std::string ReadFileBytes(const std::u16string& path) override {
        return tessaly::ReadFileBytes(path);
    }
    std::u16string LocalAppDataFolder() override { return tessaly::LocalAppDataFolder(); }
    void StartGdiplus() override {
        const Gdiplus::GdiplusStartupInput input;  // version 1, background thread, codecs
        Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr);
    }
    void* LoadIconFromFile(const std::u16string& path) override {
        return tessaly::LoadIconFromFile(path);
    }
    void* LoadModuleIcon() override { return LoadIconW(instance_, MAKEINTRESOURCEW(32512)); }
    bool RuntimeAvailable(std::u16string_view browserFolder) override {
        const std::u16string folder(browserFolder);
        LPWSTR version = nullptr;
        GetAvailableCoreWebView2BrowserVersionString(folder.empty() ? nullptr : AsWide(folder),
                                                     &version);
        if (!version) {
            return false;
        }
        CoTaskMemFree(version);
        return true;
    }
    void ShowMessage(std::u16string_view text, std::u16string_view caption,
                     MessageIcon icon) override {
        const std::u16string textCopy(text);
        const std::u16string captionCopy(caption);
        MessageBoxW(nullptr, AsWide(textCopy), AsWide(captionCopy), MB_OK | UINT(icon));
    }
    void InstallRuntime(const ProgramState& state) override {
        tessaly::InstallRuntime(instance_, state.userDataFolder, state.settings);
    }
    bool RegisterHostWindowClass(void* icon) override {
        return tessaly::RegisterHostWindowClass(instance_, static_cast<HICON>(icon));
    }
    bool CreateHostWindow(const PackageSettings& settings) override {
        return tessaly::CreateHostWindow(instance_, settings) != nullptr;
    }
    void CreateBrowserEnvironment(std::u16string_view browserFolder,
                                  const ProgramState& state) override {
        tessaly::CreateBrowserEnvironment(browserFolder, state);
    }
    int RunMessageLoop() override {
        MSG message = {};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // The page's writes still in hand reach the disk before the process ends.
        FinishPageCalls();
        return int(message.wParam);
    }
    void ReleaseMappedFiles() override { tessaly::ReleaseMappedFiles(); }
    void ShutdownGdiplus() override { Gdiplus::GdiplusShutdown(gdiplusToken_); }
    void ReleaseEnvironmentOptions() override { tessaly::ReleaseEnvironmentOptions(); }

  private:
    HINSTANCE instance_;
    ULONG_PTR gdiplusToken_ = 0;
};

}  // namespace
}  // namespace tessaly

// The command line and the show command play no part: the window is shown when its page has
// loaded.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tessaly::Win32Steps steps(instance);
    return tessaly::RunProgram(steps, tessaly::Program);
}
