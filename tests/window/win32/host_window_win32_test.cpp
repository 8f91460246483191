#include <windows.h>
// windows.h first: GDI+ relies on its definitions.
#include <objidl.h>
// objidl.h before GDI+, which needs its property types.
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "config/package_settings.h"
#include "temp_folder.h"
#include "window/host_window_win32.h"
#include "window/ui_thread_win32.h"

namespace tessaly {
namespace {

std::vector<RECT> resizes;
int moves = 0;

class HostWindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(RegisterHostWindowClass(GetModuleHandleW(nullptr), nullptr));
    }
    void SetUp() override {
        resizes.clear();
        moves = 0;
        HostedBrowser = {};
    }
    void TearDown() override {
        HostedBrowser = {};
        if (MainWindow) {
            DestroyWindow(MainWindow);
            MainWindow = nullptr;
        }
        // Drop the quit message the destruction posts.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    HWND Create(std::int32_t width, std::int32_t height, bool resizable) {
        PackageSettings settings;
        settings.title = u"Host window test";
        settings.width = width;
        settings.height = height;
        settings.resizable = resizable;
        return CreateHostWindow(GetModuleHandleW(nullptr), settings);
    }
};

TEST_F(HostWindowTest, MovesAndSizesReachTheBrowserOnlyOnceItIsThere) {
    HWND window = Create(300, 200, true);
    ASSERT_NE(window, nullptr);
    // No browser yet: handled, nothing happens.
    EXPECT_EQ(SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200)), 0);
    EXPECT_EQ(SendMessageW(window, WM_MOVE, 0, 0), 0);

    HostedBrowser.parentMoved = [] { ++moves; };
    HostedBrowser.resized = [](const RECT& client) { resizes.push_back(client); };
    RECT rect = {10, 10, 20, 20};
    EXPECT_EQ(SendMessageW(window, WM_MOVING, 0, reinterpret_cast<LPARAM>(&rect)), 0);
    EXPECT_EQ(SendMessageW(window, WM_MOVE, 0, 0), 0);
    EXPECT_EQ(moves, 2);
    EXPECT_EQ(rect.left, 10);  // never altered
    EXPECT_EQ(rect.right, 20);

    EXPECT_EQ(SendMessageW(window, WM_SIZE, SIZE_RESTORED, 0), 0);
    ASSERT_EQ(resizes.size(), 1u);
    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_TRUE(EqualRect(&resizes[0], &client));
}

int timerMessages = 0;

// Dispatches the thread's messages, as the program's loop does, until `done` or the time is up.
template <typename Done>
bool PumpUntil(Done done, DWORD milliseconds = 10000) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    while (!done()) {
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            timerMessages += message.message == WM_TIMER;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else if (GetTickCount64() >= end) {
            return false;
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }
    return true;
}

TEST_F(HostWindowTest, TwentyThousandTasksFromOtherThreadsAllRunInEachThreadsOrderOnItsThread) {
    ASSERT_NE(Create(300, 200, true), nullptr);
    // Twice what Windows' queue of posted messages holds for one thread.
    constexpr int kThreads = 4;
    constexpr int kEach = 5000;
    const DWORD uiThread = GetCurrentThreadId();
    std::vector<std::vector<int>> seen(kThreads);
    int ran = 0;
    int offThread = 0;
    std::atomic<int> dropped = 0;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                dropped += !RunOnUiThread([&, t, i] {
                    seen[t].push_back(i);
                    offThread += GetCurrentThreadId() != uiThread;
                    ++ran;
                });
            }
        });
    }
    const bool allRan = PumpUntil([&] { return ran + dropped == kThreads * kEach; });
    for (std::thread& poster : posters) {
        poster.join();
    }
    ASSERT_TRUE(allRan) << ran << " ran";
    EXPECT_EQ(dropped, 0);
    EXPECT_EQ(offThread, 0);
    for (const std::vector<int>& one : seen) {
        ASSERT_EQ(one.size(), std::size_t(kEach));
        for (int i = 0; i < kEach; ++i) {
            ASSERT_EQ(one[std::size_t(i)], i);
        }
    }
}

int tasksRun = 0;
int ranAtPaint = -1;
int ranAtTimer = -1;

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(window, &paint);
            EndPaint(window, &paint);
            if (ranAtPaint < 0) {
                ranAtPaint = tasksRun;
            }
            return 0;
        }
        case WM_TIMER:
            KillTimer(window, wParam);
            ranAtTimer = tasksRun;
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

TEST_F(HostWindowTest, PaintingAndTimersGetTheirTurnWhileAFloodOfTasksRuns) {
    ASSERT_NE(Create(300, 200, true), nullptr);
    WNDCLASSEXW probeClass = {};
    probeClass.cbSize = sizeof(probeClass);
    probeClass.lpfnWndProc = ProbeWindowProc;
    probeClass.hInstance = GetModuleHandleW(nullptr);
    probeClass.lpszClassName = L"TessalyTestProbe";
    RegisterClassExW(&probeClass);
    struct Waiting {
        const char* what;
        DWORD style;
        void (*arrange)(HWND probe);
        const int* ranAtIt;
    };
    const Waiting cases[] = {
        {"painting", WS_POPUP | WS_VISIBLE,
         [](HWND probe) { InvalidateRect(probe, nullptr, FALSE); }, &ranAtPaint},
        {"a timer", WS_POPUP,
         [](HWND probe) {
             SetTimer(probe, 1, USER_TIMER_MINIMUM, nullptr);
             Sleep(30);  // due before the flood starts
         },
         &ranAtTimer},
    };
    for (const Waiting& waiting : cases) {
        SCOPED_TRACE(waiting.what);
        HWND probe = CreateWindowExW(0, probeClass.lpszClassName, L"Probe", waiting.style, 0, 0,
                                     200, 100, nullptr, nullptr, probeClass.hInstance, nullptr);
        ASSERT_NE(probe, nullptr);
        UpdateWindow(probe);
        tasksRun = 0;
        ranAtPaint = -1;
        ranAtTimer = -1;
        waiting.arrange(probe);
        // Each task takes a millisecond or more: the whole flood is far longer than a batch.
        constexpr int kTasks = 100;
        for (int i = 0; i < kTasks; ++i) {
            RunOnUiThread([] {
                Sleep(1);
                ++tasksRun;
            });
        }
        EXPECT_TRUE(PumpUntil([] { return tasksRun == kTasks; }));
        EXPECT_GE(*waiting.ranAtIt, 0) << "never handled";
        EXPECT_LT(*waiting.ranAtIt, 20) << "handled only after that many tasks";
        DestroyWindow(probe);
        // Drained: nothing wakes the thread but the once-a-second look for a lost wake.
        timerMessages = 0;
        PumpUntil([] { return false; }, 200);
        EXPECT_LE(timerMessages, 1);
    }
}

TEST_F(HostWindowTest, TheTaskWindowRunsTasksOnItsWakeAndWithinASecondWhenTheWakeIsLost) {
    ASSERT_NE(Create(300, 200, true), nullptr);
    HWND taskWindow = FindWindowExW(HWND_MESSAGE, nullptr, kUiTaskWindowClass, nullptr);
    ASSERT_NE(taskWindow, nullptr);
    int ran = 0;
    const auto postFromAnotherThread = [&ran] {
        std::thread([&ran] { EXPECT_TRUE(RunOnUiThread([&ran] { ++ran; })); }).join();
    };
    postFromAnotherThread();
    EXPECT_TRUE(PumpUntil([&] { return ran == 1; }, 500)) << "not woken";

    // As when the wake's post fails on a full queue of other messages.
    postFromAnotherThread();
    MSG wake;
    ASSERT_TRUE(PeekMessageW(&wake, taskWindow, kUiTaskWakeMessage, kUiTaskWakeMessage, PM_REMOVE));
    EXPECT_TRUE(PumpUntil([&] { return ran == 2; }, 3000)) << "lost";
}

TEST_F(HostWindowTest, MessagesFromOtherThreadsCarryNoTaskAndRunNothingExtra) {
    HWND window = Create(300, 200, true);
    ASSERT_NE(window, nullptr);
    HWND taskWindow = FindWindowExW(HWND_MESSAGE, nullptr, kUiTaskWindowClass, nullptr);
    ASSERT_NE(taskWindow, nullptr);
    int ran = 0;
    RunOnUiThread([&ran] { ++ran; });
    // What any process on the desktop can post; lParam once held a task's address.
    std::thread([&] {
        for (UINT message = WM_APP; message < WM_APP + 4; ++message) {
            PostMessageW(window, message, 0, LPARAM(0x12345678));
            PostMessageW(taskWindow, message, 0, LPARAM(0x12345678));
        }
        PostMessageW(taskWindow, WM_TIMER, 7, 0);
    }).join();
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(ran, 1);
}

TEST_F(HostWindowTest, OnceTheWindowIsDestroyedTasksAreDestroyedUnrunAndLaterOnesDropped) {
    ASSERT_NE(Create(300, 200, true), nullptr);
    auto captured = std::make_shared<int>(0);
    bool ran = false;
    EXPECT_TRUE(RunOnUiThread([captured, &ran] { ran = true; }));
    DestroyWindow(MainWindow);
    MainWindow = nullptr;
    EXPECT_EQ(captured.use_count(), 1);
    std::thread([&] {
        EXPECT_FALSE(RunOnUiThread([captured, &ran] { ran = true; }));
        EXPECT_EQ(captured.use_count(), 1);
    }).join();
    EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, kUiTaskWindowClass, nullptr), nullptr);
    PumpUntil([] { return false; }, 100);
    EXPECT_FALSE(ran);
}

// A 2 x 2 32-bit BMP: the smallest image file every GDI+ decodes.
std::string TinyBitmap() {
    std::string file(54 + 16, '\0');
    auto put = [&file](std::size_t at, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) {
            file[at + std::size_t(i)] = char(value >> (8 * i));
        }
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, std::uint32_t(file.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, 2, 4);
    put(22, 2, 4);
    put(26, 1, 2);
    put(28, 32, 2);
    for (std::size_t i = 54; i < file.size(); ++i) {
        file[i] = char(0x80);
    }
    return file;
}

TEST(LoadIconFromFile, MakesIconsFromImagesOnly) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    test::TempFolder folder;
    folder.Write("icon.bmp", TinyBitmap());
    folder.Write("icon.png", "this is no image");
    HICON icon = LoadIconFromFile(folder.Wide("icon.bmp"));
    EXPECT_NE(icon, nullptr);
    ICONINFO info = {};
    if (icon && GetIconInfo(icon, &info)) {
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
        EXPECT_EQ(bitmap.bmWidth, 2);  // the image's own size
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
    EXPECT_EQ(LoadIconFromFile(folder.Wide("icon.png")), nullptr);
    EXPECT_EQ(LoadIconFromFile(folder.Wide("missing.png")), nullptr);
    if (icon) {
        DestroyIcon(icon);
    }
    Gdiplus::GdiplusShutdown(token);
}

}  // namespace
}  // namespace tessaly
