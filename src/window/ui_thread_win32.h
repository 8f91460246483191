// Work handed to the user-interface thread from any thread. The tasks wait in the program's own
// list (UiTaskQueue), never in Windows' message queue, which holds at most 10,000 posted messages
// per thread and hands every posted message out before input and painting. A message-only window
// of its own is woken by a message that carries nothing, and runs the tasks in batches that let
// input and painting go first.
#pragma once

#include <windows.h>
// windows.h first: the declarations below use its types.

#include <functional>

namespace tessaly {

inline constexpr wchar_t kUiTaskWindowClass[] = L"TessalyUiTasks";

// Posted to the task window to have it run a batch. It carries nothing: any process on the
// desktop can post it, and a copy from elsewhere only runs a batch early.
inline constexpr UINT kUiTaskWakeMessage = WM_APP;

// On the user-interface thread, before any other thread posts a task: makes the task window and
// an empty list. False when the window cannot be made. Started again only after a stop, when no
// other thread posts.
bool StartUiThreadTasks();

// From any thread: the task runs later on the user-interface thread, after the tasks posted
// before it. False when it is dropped unrun: not started, stopped, or the list is full (which
// the program's log tells).
bool RunOnUiThread(std::function<void()> task);

// On the user-interface thread once the main window is gone: the waiting tasks are destroyed
// unrun, and later ones are dropped, so that none touches the window or the page after it.
void StopUiThreadTasks();

}  // namespace tessaly
