#include "window/ui_thread_win32.h"

#include <atomic>
#include <chrono>
#include <string>
#include <utility>

#include "base/program_log.h"
#include "base/ui_task_queue.h"

namespace tessaly {
namespace {

// Far above what can wait when the thread keeps up: the page's calls and the extensions' events
// are bounded where they start. Reached only when the thread hangs, and then the log says so.
constexpr std::size_t kCapacity = 131072;

// A batch ends after this many tasks or this much time, whichever comes first: the most a flood
// of tasks delays a key press or a repaint.
constexpr int kBatchTasks = 256;
constexpr std::chrono::milliseconds kBatchTime{5};

// The next batch when input, painting or a timer waits: Windows hands a timer's message out
// only after all of those.
constexpr UINT_PTR kNextBatchTimer = 1;

// The wake's PostMessageW fails when the thread's queue is full of other messages. The list then
// holds tasks, so no later post wakes the window again, and the last tasks, such as the reply to
// the page's app.quit, would wait for ever. A slow timer that never stops runs them instead; it
// is one cheap look at the list a second, and needs nothing from the posting threads.
constexpr UINT_PTR kLostWakeTimer = 2;
constexpr UINT kLostWakeMilliseconds = 1000;

std::atomic<HWND> TaskWindow = nullptr;

// Never destroyed at exit: a thread that still posts while the process ends finds it closed.
UiTaskQueue* Tasks = nullptr;

void Wake() {
    if (HWND window = TaskWindow.load()) {
        PostMessageW(window, kUiTaskWakeMessage, 0, 0);  // if it fails, the lost-wake timer
    }
}

// True when tasks remain. One task at a time, so that the clock is read between any two.
bool RunTimedBatch() {
    const auto end = std::chrono::steady_clock::now() + kBatchTime;
    for (int ran = 0; ran < kBatchTasks; ++ran) {
        if (!Tasks->RunBatch(1)) {
            return false;
        }
        if (std::chrono::steady_clock::now() >= end) {
            break;
        }
    }
    return true;
}

// When tasks remain, the next batch comes at once if nothing else waits: a posted wake is
// fetched before everything but sent messages. Otherwise it comes after a timer, so what waits
// goes first; posted messages of others need no care, as a new wake queues behind them.
void RunBatchAndArrangeTheNext(HWND window) {
    if (!RunTimedBatch()) {
        return;  // the list is empty: the next post wakes the window
    }
    const DWORD waiting = HIWORD(GetQueueStatus(QS_INPUT | QS_PAINT | QS_TIMER | QS_HOTKEY));
    if (waiting != 0 || !PostMessageW(window, kUiTaskWakeMessage, 0, 0)) {
        SetTimer(window, kNextBatchTimer, USER_TIMER_MINIMUM, nullptr);
    }
}

LRESULT CALLBACK TaskWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case kUiTaskWakeMessage:
            RunBatchAndArrangeTheNext(window);
            return 0;
        case WM_TIMER:
            if (wParam == kNextBatchTimer) {
                KillTimer(window, kNextBatchTimer);
            }
            RunBatchAndArrangeTheNext(window);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

bool StartUiThreadTasks() {
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = TaskWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kUiTaskWindowClass;
    RegisterClassExW(&windowClass);  // fails after an earlier start, which registered it
    HWND window = CreateWindowExW(0, kUiTaskWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  windowClass.hInstance, nullptr);
    if (!window) {
        return false;
    }
    delete Tasks;  // closed by the last stop, and no thread posts to it any more
    Tasks = new UiTaskQueue(kCapacity, Wake, [](const std::string& line) { WriteLog(line); });
    SetTimer(window, kLostWakeTimer, kLostWakeMilliseconds, nullptr);
    TaskWindow = window;
    return true;
}

bool RunOnUiThread(std::function<void()> task) {
    return Tasks && Tasks->Post(std::move(task));
}

void StopUiThreadTasks() {
    if (Tasks) {
        Tasks->Close();
    }
    DestroyWindow(TaskWindow.exchange(nullptr));
}

}  // namespace tessaly
