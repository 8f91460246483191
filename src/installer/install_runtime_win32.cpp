#include <windows.h>
// windows.h first: the common controls and URL moniker headers rely on it.
#include <commctrl.h>
#include <urlmon.h>

#include <string>

#include "base/wide_cast.h"
#include "config/program.h"
#include "installer/install_runtime_win32.h"
#include "installer/setup_layout.h"
#include "window/dpi_scale.h"

namespace tessaly {
namespace {

constexpr wchar_t kSetupWindowClass[] = L"WebView2Setup";

// The common controls and URL monikers serve only the installer, which few starts need: they are
// loaded from the system folder when it runs, not with the program, so that every other start
// skips loading them (and the networking libraries behind them). They stay loaded. Null when the
// library or the function is missing.
template <class Function>
Function SystemFunction(const wchar_t* library, const char* name) {
    wchar_t path[MAX_PATH];
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return nullptr;
    }
    std::wstring libraryPath(path, length);
    libraryPath += L'\\';
    libraryPath += library;
    const HMODULE module = LoadLibraryW(libraryPath.c_str());
    return module
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

// Handed to the download thread; lives on InstallRuntime's stack until the thread has ended.
struct DownloadJob {
    std::u16string downloadUrl;
    std::u16string targetPath;
    HWND setupWindow = nullptr;
    HWND progressBar = nullptr;
    HRESULT result = E_FAIL;  // written by the download thread before it ends
};

// Moves the progress bar as the download reports its progress. It lives on the download
// thread's stack for one download and counts no references.
class DownloadProgress final : public IBindStatusCallback {
  public:
    explicit DownloadProgress(HWND progressBar) : progressBar_(progressBar) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        if (object) {
            *object = nullptr;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE OnStartBinding(DWORD, IBinding*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPriority(LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnLowResource(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnProgress(ULONG progress, ULONG progressMax, ULONG,
                                         LPCWSTR) override {
        // Every phase that reports a size moves the bar; never abort the download.
        if (const auto position = ProgressPosition(progress, progressMax)) {
            SendMessageW(progressBar_, PBM_SETPOS, WPARAM(*position), 0);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnStopBinding(HRESULT, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetBindInfo(DWORD*, BINDINFO*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnObjectAvailable(REFIID, IUnknown*) override { return E_NOTIMPL; }

  private:
    HWND progressBar_;
};

DWORD WINAPI DownloadThreadProc(LPVOID parameter) {
    auto* job = static_cast<DownloadJob*>(parameter);
    DownloadProgress progress(job->progressBar);
    using Download = HRESULT(WINAPI*)(LPUNKNOWN, LPCWSTR, LPCWSTR, DWORD, LPBINDSTATUSCALLBACK);
    const auto download = SystemFunction<Download>(L"urlmon.dll", "URLDownloadToFileW");
    job->result = download ? download(nullptr, AsWide(job->downloadUrl), AsWide(job->targetPath), 0,
                                      &progress)
                           : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
    SendMessageW(job->setupWindow, WM_CLOSE, 0, 0);
    return 0;
}

LRESULT CALLBACK SetupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void ReportFailure(std::u16string_view text, const PackageSettings& settings) {
    const std::u16string message(text);
    MessageBoxW(nullptr, AsWide(message), AsWide(settings.title), MB_OK | MB_ICONERROR);
}

// The first bytes of a file, as many as there are up to `limit`.
std::string ReadFileHead(const std::u16string& path, DWORD limit) {
    HANDLE file = CreateFileW(AsWide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return {};
    }
    std::string head(limit, '\0');
    DWORD read = 0;
    if (!ReadFile(file, head.data(), limit, &read, nullptr)) {
        read = 0;
    }
    CloseHandle(file);
    head.resize(read);
    return head;
}

// Runs the installer with no arguments in the user data folder and waits for it to end.
void RunInstaller(const std::u16string& path, const std::u16string& userDataFolder) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    wchar_t commandLine[1] = {L'\0'};
    if (CreateProcessW(AsWide(path), commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                       AsWide(userDataFolder), &startup, &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
}

}  // namespace

void InstallRuntime(HINSTANCE instance, const std::u16string& userDataFolder,
                    const PackageSettings& settings) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    using InitControls = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto initControls = SystemFunction<InitControls>(L"comctl32.dll", "InitCommonControlsEx");
    if (!initControls || !initControls(&controls)) {
        return ReportFailure(kCommonControlsFailedText, settings);
    }
    if (!CreateDirectoryW(AsWide(userDataFolder), nullptr) &&
        GetLastError() != ERROR_ALREADY_EXISTS) {
        return ReportFailure(kUserDataFolderFailedText, settings);
    }

    const HICON icon = static_cast<HICON>(settings.iconHandle);
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SetupWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
    windowClass.lpszClassName = kSetupWindowClass;
    if (!RegisterClassExW(&windowClass)) {
        return ReportFailure(kRegisterClassFailedText, settings);
    }

    const PixelRect place =
        PlaceSetupWindow(DpiFactor(), GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    HWND setupWindow =
        CreateWindowExW(0, kSetupWindowClass, AsWide(settings.downloadingMessage),
                        WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, place.x, place.y,
                        place.width, place.height, nullptr, nullptr, instance, nullptr);
    if (!setupWindow) {
        return ReportFailure(kCreateWindowFailedText, settings);
    }
    RECT client = {};
    GetClientRect(setupWindow, &client);
    const PixelRect bar =
        PlaceProgressBar(DpiFactor(), client.right - client.left, client.bottom - client.top);
    HWND progressBar = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE,
                                       client.left + bar.x, client.top + bar.y, bar.width,
                                       bar.height, setupWindow, nullptr, instance, nullptr);
    SendMessageW(progressBar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageW(progressBar, PBM_SETSTEP, 1, 0);

    DownloadJob job;
    job.downloadUrl = FromWide(kRuntimeDownloadUrl);
    job.targetPath = InstallerPathIn(userDataFolder);
    job.setupWindow = setupWindow;
    job.progressBar = progressBar;
    // A file left by an earlier run is never run in place of this download.
    DeleteFileW(AsWide(job.targetPath));

    HANDLE worker = CreateThread(nullptr, 0, DownloadThreadProc, &job, 0, nullptr);
    if (!worker) {
        // Nothing would ever close the window: close it now and leave without a download.
        DestroyWindow(setupWindow);
    }
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (!worker) {
        return;
    }
    WaitForSingleObject(worker, INFINITE);
    CloseHandle(worker);

    // URLDownloadToFileW can succeed with an error page in the file, so the file must also
    // look like a program before it is started. Its Authenticode signature is not checked:
    // the address is Microsoft's own, reached over HTTPS, which already vouches for the file,
    // and the file was written by this download into the user's own folder a moment ago.
    if (SUCCEEDED(job.result) &&
        IsWindowsExecutableImage(ReadFileHead(job.targetPath, kExecutableHeadBytes))) {
        RunInstaller(job.targetPath, userDataFolder);
    }
}

}  // namespace tessaly
