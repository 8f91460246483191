#include "app/startup.h"

#include "base/paths.h"

namespace tessaly {
namespace {

int Fail(StartupSteps& steps, std::u16string_view text, std::u16string_view caption) {
    steps.ShowMessage(text, caption, MessageIcon::Error);
    return 1;
}

// Makes sure a runtime is there for the configured mode; false once the failure is reported.
bool EnsureRuntime(StartupSteps& steps, const ProgramState& state) {
    const PackageSettings& settings = state.settings;
    const std::u16string_view browserFolder = BrowserFolderFor(settings.distributionMode);
    if (steps.RuntimeAvailable(browserFolder)) {
        return true;
    }
    if (settings.distributionMode == DistributionMode::Fixed) {
        Fail(steps, kFixedRuntimeMissingText, settings.title);
        return false;
    }
    // The prompt only informs: however it is dismissed, the installer runs next.
    steps.ShowMessage(settings.installPromptMessage, settings.title, MessageIcon::Information);
    steps.InstallRuntime(state);
    if (steps.RuntimeAvailable(browserFolder)) {
        return true;
    }
    Fail(steps, settings.installFailedMessage, settings.title);
    return false;
}

}  // namespace

std::u16string_view BrowserFolderFor(DistributionMode mode) {
    return mode == DistributionMode::Fixed ? kFixedRuntimeFolder : std::u16string_view();
}

int RunProgram(StartupSteps& steps, ProgramState& state) {
    steps.InitializeCom();
    state.programFolder = FolderOf(steps.ModulePath());

    const std::string packageText = steps.ReadFileBytes(state.programFolder + u"package.json");
    if (packageText.empty()) {
        return Fail(steps, kPackageMissingText, kFixedCaption);
    }
    try {
        LoadPackageSettings(packageText, state.settings);
    } catch (...) {
        // Parse errors, configuration faults and memory exhaustion alike; the error's own
        // text means nothing to the user.
        return Fail(steps, kPackageInvalidText, kFixedCaption);
    }
    PackageSettings& settings = state.settings;
    state.userDataFolder = UserDataFolderFor(steps.LocalAppDataFolder(), settings.name);

    steps.StartGdiplus();
    // The icon comes before the runtime test: the installer's window shows it too.
    if (!settings.iconPath.empty()) {
        settings.iconHandle = steps.LoadIconFromFile(state.programFolder + settings.iconPath);
    }
    if (!settings.iconHandle) {
        settings.iconHandle = steps.LoadModuleIcon();
    }

    if (!EnsureRuntime(steps, state)) {
        return 1;
    }
    if (!steps.RegisterHostWindowClass(settings.iconHandle)) {
        return Fail(steps, kRegisterClassFailedText, kFixedCaption);
    }
    if (!steps.CreateHostWindow(settings)) {
        return Fail(steps, kCreateWindowFailedText, kFixedCaption);
    }
    steps.CreateBrowserEnvironment(BrowserFolderFor(settings.distributionMode), state);

    const int exitCode = steps.RunMessageLoop();
    steps.ReleaseMappedFiles();
    steps.ShutdownGdiplus();
    steps.ReleaseEnvironmentOptions();
    return exitCode;
}

}  // namespace tessaly
