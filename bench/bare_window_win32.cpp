// The baseline of the Windows program's start-up benchmark (bench/windows_startup.py): a bare
// Win32 window of the example's size. At its first WM_PAINT it writes the time since the process
// was created to the file named by TESSALY_BENCH_TIMING, in the stand-in runtime's timing format
// ("created-unix N", then "shown N", in microseconds), and ends.
#include <windows.h>

#include <cstdio>

namespace {

long long Ticks(const FILETIME& time) {
    return (static_cast<long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void WriteShownTime() {
    FILETIME now, created, exited, kernel, user;
    GetSystemTimePreciseAsFileTime(&now);
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    wchar_t path[MAX_PATH];
    const DWORD length = GetEnvironmentVariableW(L"TESSALY_BENCH_TIMING", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    constexpr long long kUnixEpoch = 116444736000000000;  // 1970-01-01 in FILETIME ticks
    char text[128];
    const int size =
        std::snprintf(text, sizeof text, "created-unix %lld\nshown %lld\n",
                      (Ticks(created) - kUnixEpoch) / 10, (Ticks(now) - Ticks(created)) / 10);
    HANDLE file =
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file, text, DWORD(size), &written, nullptr);
        CloseHandle(file);
    }
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            static bool shown = false;
            if (!shown) {
                shown = true;
                WriteShownTime();
                // The window goes with the process: destroying it first would make Wine wait
                // for a window manager that Xvfb has not got.
                PostQuitMessage(0);
            }
            return 0;
        }
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = L"TessalyBareWindow";
    if (!RegisterClassW(&windowClass)) {
        return 1;
    }
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"Bare window", WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 960, 720, nullptr, nullptr,
                                  instance, nullptr);
    if (!window) {
        return 1;
    }
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return int(message.wParam);
}
