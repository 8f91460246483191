// Test helper: waits for the program's host window, prints what it looks like, then asks it to
// close. Usage: close_host_window <timeout in ms>. Exit code 0 when the window was found.
#include <windows.h>
// windows.h first.

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const DWORD timeout = argc > 1 ? DWORD(std::atol(argv[1])) : 30000;
    const DWORD start = GetTickCount();
    HWND window = nullptr;
    while (!(window = FindWindowW(L"WindowsTessaly", nullptr))) {
        if (GetTickCount() - start > timeout) {
            std::printf("no window\n");
            return 2;
        }
        Sleep(100);
    }
    RECT client = {};
    GetClientRect(window, &client);
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    std::printf("client=%ldx%ld visible=%d thickframe=%d maximizebox=%d title=%ls\n",
                client.right - client.left, client.bottom - client.top,
                IsWindowVisible(window) ? 1 : 0, (style & WS_THICKFRAME) ? 1 : 0,
                (style & WS_MAXIMIZEBOX) ? 1 : 0, title);
    std::fflush(stdout);
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
}
