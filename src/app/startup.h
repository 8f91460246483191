// The program's start-up sequence, the message loop and the teardown, written once over the
// platform steps it calls. Windows implements the steps; tests record them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "config/package_settings.h"
#include "config/program.h"

namespace tessaly {

// The icon a start-up message box shows; the values are the Win32 MB_ICON* flags.
enum class MessageIcon : std::uint32_t {
    Error = 0x10,        // MB_ICONERROR
    Information = 0x40,  // MB_ICONINFORMATION
};

inline constexpr std::u16string_view kPackageMissingText =
    u"Failed to load package.json. Check the file is in the same folder as the app.";
inline constexpr std::u16string_view kPackageInvalidText =
    u"Failed to parse package.json. Check the file has valid JSON and that all parameters are "
    u"correct.";
inline constexpr std::u16string_view kFixedRuntimeMissingText =
    u"This app is set to \"fixed\" distribution mode, but the WebView2 control failed to "
    u"initialize. Check there is a valid fixed distribution of Microsoft Edge WebView2 runtime "
    u"in the \"webview2\" subfolder.";

// The folder a shipped ("fixed") runtime lies in, relative to the program folder.
inline constexpr std::u16string_view kFixedRuntimeFolder = u"webview2";

// The browser executable folder for a distribution mode: empty (the installed runtime) for
// Evergreen, "webview2" for Fixed.
std::u16string_view BrowserFolderFor(DistributionMode mode);

// The platform steps start-up takes, each named after what it does. Icons are opaque handles.
class StartupSteps {
  public:
    virtual ~StartupSteps() = default;

    virtual void InitializeCom() = 0;
    virtual std::u16string ModulePath() = 0;
    // The whole file, or empty when it cannot be read.
    virtual std::string ReadFileBytes(const std::u16string& path) = 0;
    virtual std::u16string LocalAppDataFolder() = 0;
    virtual void StartGdiplus() = 0;
    // An icon made from an image file, or null.
    virtual void* LoadIconFromFile(const std::u16string& path) = 0;
    // The program module's own icon resource 32512, or null.
    virtual void* LoadModuleIcon() = 0;
    // Whether the loader reports a runtime version for the folder (empty: the installed one).
    virtual bool RuntimeAvailable(std::u16string_view browserFolder) = 0;
    // A message box with no owner and an OK button; returns when it is dismissed.
    virtual void ShowMessage(std::u16string_view text, std::u16string_view caption,
                             MessageIcon icon) = 0;
    // Downloads and runs the runtime installer; reports its own failures.
    virtual void InstallRuntime(const ProgramState& state) = 0;
    virtual bool RegisterHostWindowClass(void* icon) = 0;
    // Creates the hidden host window; false when there is none.
    virtual bool CreateHostWindow(const PackageSettings& settings) = 0;
    // Starts creating the browser environment; it completes inside the message loop.
    virtual void CreateBrowserEnvironment(std::u16string_view browserFolder,
                                          const ProgramState& state) = 0;
    // Runs until the quit message and returns its parameter.
    virtual int RunMessageLoop() = 0;
    virtual void ReleaseMappedFiles() = 0;
    virtual void ShutdownGdiplus() = 0;
    virtual void ReleaseEnvironmentOptions() = 0;
};

// Runs the whole program: start-up, the message loop and the teardown. Returns the process exit
// code: the quit message's parameter after a normal run, 1 after a start-up failure, which has
// then been reported in a message box.
int RunProgram(StartupSteps& steps, ProgramState& state);

}  // namespace tessaly
