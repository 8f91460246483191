#include "browser/page_calls_win32.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>

#include "base/paths.h"
#include "base/program_log.h"
#include "base/text.h"
#include "base/wide_cast.h"
#include "browser/browser_events_win32.h"
#include "browser/host_calls.h"
#include "browser/page_api_script.h"
#include "config/program.h"
#include "server/resource_response.h"
#include "window/dpi_scale.h"
#include "window/host_window_win32.h"
#include "window/ui_thread_win32.h"

namespace tessaly {
namespace {

// The host window as the page's window methods see it. Sizes the page sees are CSS pixels,
// which the display's scale makes device pixels, as the window's first size was made.
class Win32PageWindow final : public PageWindow {
  public:
    void Quit(int code) override {
        HostExitCode = code;
        PostMessageW(MainWindow, WM_CLOSE, 0, 0);  // as the close button does
    }
    bool IsFullscreen() override { return IsHostFullscreen(); }
    void SetFullscreen(bool fullscreen) override { SetHostFullscreen(fullscreen); }
    void SetTitle(const std::string& title) override {
        SetWindowTextW(MainWindow, AsWide(Utf8ToWide(title)));
    }
    void SetContentSize(std::int32_t width, std::int32_t height) override {
        RECT frame = {0, 0, ScaleForDpi(width), ScaleForDpi(height)};
        AdjustWindowRectEx(&frame, DWORD(GetWindowLongW(MainWindow, GWL_STYLE)), FALSE,
                           DWORD(GetWindowLongW(MainWindow, GWL_EXSTYLE)));
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        GetMonitorInfoW(MonitorFromWindow(MainWindow, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT& screen = monitor.rcWork;
        if (IsZoomed(MainWindow)) {
            ShowWindow(MainWindow, SW_RESTORE);
        }
        const LONG frameWidth = std::min(frame.right - frame.left, screen.right - screen.left);
        const LONG frameHeight = std::min(frame.bottom - frame.top, screen.bottom - screen.top);
        // Moved only as far as it takes for the whole window to be in the work area.
        RECT window{};
        GetWindowRect(MainWindow, &window);
        SetWindowPos(MainWindow, nullptr,
                     std::clamp(window.left, screen.left, screen.right - frameWidth),
                     std::clamp(window.top, screen.top, screen.bottom - frameHeight), frameWidth,
                     frameHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    WindowBounds Bounds() override {
        RECT window{};
        GetWindowRect(MainWindow, &window);
        RECT client{};
        GetClientRect(MainWindow, &client);
        // As SetContentSize scales: a size the page set comes back as it was.
        return {window.left, window.top, UnscaleByFactor(client.right, DpiFactor()),
                UnscaleByFactor(client.bottom, DpiFactor())};
    }
    void Minimize() override { ShowWindow(MainWindow, SW_MINIMIZE); }
    void SetAlwaysOnTop(bool onTop) override {
        SetWindowPos(MainWindow, onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
};

// The arguments after the program's own name, exact for any Unicode text.
std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; words && i < count; ++i) {
        arguments.push_back(WideToUtf8(FromWide(words[i])));
    }
    LocalFree(words);
    return arguments;
}

// The user's first UI language, as the locale name Windows gives it ("de-AT").
std::string UserLanguage() {
    ULONG count = 0;
    ULONG size = 0;
    if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) && size > 0) {
        std::u16string names(size, u'\0');
        if (GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count,
                                        reinterpret_cast<PWSTR>(names.data()), &size) &&
            names[0] != u'\0') {
            return WideToUtf8(FromWide(reinterpret_cast<const wchar_t*>(names.c_str())));
        }
    }
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    if (GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH) > 0) {
        return WideToUtf8(FromWide(name));
    }
    return "en";
}

AppFacts GatherFacts() {
    AppFacts facts;
    facts.name = WideToUtf8(Program.settings.name);
    facts.version = WideToUtf8(Program.settings.version);
    facts.platform = "windows";
    facts.arch = ProgramArchitecture();
    facts.args = CommandLineArguments();
    facts.language = UserLanguage();
    const std::u16string roaming = RoamingAppDataFolder();
    if (!roaming.empty() && IsUsableSaveFolderName(facts.name)) {
        facts.filesFolder = WideToUtf8(roaming + u"\\" + Program.settings.name + u"\\");
    }
    return facts;
}

void PostToPage(const std::string& message) {
    if (Browser.view) {
        Browser.view->PostWebMessageAsJson(AsWide(Utf8ToWide(message)));
    }
}

Win32PageWindow PageWindowOfProgram;
std::unique_ptr<HostCalls> Calls;

}  // namespace

void StartPageCalls(ICoreWebView2* view) {
    SetLogFile(Program.userDataFolder + u"\\tessaly.log");
    const std::string key = NewCallKey();
    AppFacts facts = GatherFacts();
    std::unique_ptr<SaveFolder> saves;
    if (!facts.filesFolder.empty()) {
        saves = OpenSaveFolder(Utf8ToWide(facts.filesFolder));
    }
    Calls = std::make_unique<HostCalls>(
        std::move(facts), key, PageWindowOfProgram, std::move(saves),
        StartExtensions(Program.settings.extensions, Program.programFolder,
                        PageEventSender(RunOnUiThread, PostToPage)),
        RunOnUiThread, WriteLog);
    const std::u16string script = Utf8ToWide(PageApiScript(WideToUtf8(VirtualOrigin), key));
    view->AddScriptToExecuteOnDocumentCreated(AsWide(script), nullptr);
}

bool TakePageCall(std::u16string_view text) {
    if (!Calls || !text.starts_with(kHostCallOpeningWide)) {
        return false;
    }
    Calls->Take(std::u16string(text), PostToPage);
    return true;
}

void FinishPageCalls() {
    Calls.reset();
}

}  // namespace tessaly
