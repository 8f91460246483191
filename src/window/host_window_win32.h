// The program's single top-level window, which the browser control fills.
#pragma once

#include <windows.h>
// windows.h first: the declarations below use its types.

#include <string>

#include "config/package_settings.h"

namespace tessaly {

inline constexpr wchar_t kHostWindowClass[] = L"WindowsTessaly";

// The host window's handle, set as soon as CreateHostWindow has it.
inline HWND MainWindow = nullptr;

// The process's exit code once the window is gone: 0 unless the page quit with its own.
inline int HostExitCode = 0;

// What the window procedure does for the browser control inside it. Both are empty until the
// browser code has a controller; moves and sizes before that change nothing.
struct HostedBrowserHooks {
    void (*parentMoved)() = nullptr;                    // the window moved
    void (*resized)(const RECT& clientArea) = nullptr;  // the client area changed
};
inline HostedBrowserHooks HostedBrowser;

// An icon made from any image file GDI+ decodes, at the image's own size; null on any failure.
// GDI+ must be running.
HICON LoadIconFromFile(const std::u16string& path);

// The window style for the `resizable` setting: a sizing border and maximize box, or neither.
DWORD HostWindowStyle(bool resizable);

bool RegisterHostWindowClass(HINSTANCE instance, HICON icon);

// Creates the hidden host window with a client area of the configured size in device pixels and
// stores it in MainWindow, and starts the tasks of its thread (ui_thread_win32.h), which stop
// when it is destroyed. Null when either cannot be made.
HWND CreateHostWindow(HINSTANCE instance, const PackageSettings& settings);

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tessaly
