#include <windows.h>
// windows.h first: GDI+ relies on its definitions.
#include <objidl.h>
// objidl.h before GDI+, which needs its property types.
#include <gdiplus.h>

#include "base/wide_cast.h"
#include "window/dpi_scale.h"
#include "window/host_window_win32.h"
#include "window/ui_thread_win32.h"

namespace tessaly {

HICON LoadIconFromFile(const std::u16string& path) {
    using namespace Gdiplus;
    GpBitmap* bitmap = nullptr;
    if (DllExports::GdipCreateBitmapFromFile(AsWide(path), &bitmap) != Ok || !bitmap) {
        return nullptr;
    }
    HICON icon = nullptr;
    if (DllExports::GdipCreateHICONFromBitmap(bitmap, &icon) != Ok) {
        icon = nullptr;
    }
    DllExports::GdipDisposeImage(bitmap);
    return icon;
}

DWORD HostWindowStyle(bool resizable) {
    return resizable ? WS_OVERLAPPEDWINDOW
                     : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
}

bool RegisterHostWindowClass(HINSTANCE instance, HICON icon) {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = HostWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hIconSm = icon;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kHostWindowClass;
    return RegisterClassExW(&windowClass) != 0;
}

HWND CreateHostWindow(HINSTANCE instance, const PackageSettings& settings) {
    if (!StartUiThreadTasks()) {
        return nullptr;
    }
    const DWORD style = HostWindowStyle(settings.resizable);
    RECT frame = {0, 0, ScaleForDpi(settings.width), ScaleForDpi(settings.height)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    MainWindow = CreateWindowExW(0, kHostWindowClass, AsWide(settings.title), style, CW_USEDEFAULT,
                                 CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                 nullptr, nullptr, instance, nullptr);
    return MainWindow;
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_DESTROY:
            // Tasks still waiting, and those that the page's last writes and the extensions'
            // threads post later, would reach a window and a page that are gone.
            StopUiThreadTasks();
            PostQuitMessage(HostExitCode);
            return 0;
        case WM_MOVE:
        case WM_MOVING:
            if (HostedBrowser.parentMoved) {
                HostedBrowser.parentMoved();
            }
            return 0;
        case WM_SIZE:
            if (HostedBrowser.resized) {
                RECT client = {};
                GetClientRect(window, &client);
                HostedBrowser.resized(client);
            }
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace tessaly
