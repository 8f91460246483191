// Work for the GTK main loop's thread, handed over from any thread: the page's replies, the
// extensions' events and the window methods. The tasks wait in one bounded UiTaskQueue; the main
// loop sees a single GLib source, made ready when the list stops being empty, that runs them in
// batches.
#pragma once

#include <glib.h>

#include <functional>

#include "base/ui_task_queue.h"

namespace tessaly {

class MainLoopTasks {
  public:
    // Attaches the source to the default main context; on the main thread.
    MainLoopTasks();
    ~MainLoopTasks();
    MainLoopTasks(const MainLoopTasks&) = delete;
    MainLoopTasks& operator=(const MainLoopTasks&) = delete;

    // Runs `task` soon on the main thread; false when it is dropped unrun (the list is full,
    // which is logged, or closed). Any thread.
    bool Post(std::function<void()> task);

    // The window is gone: what waits is destroyed unrun, here, and later tasks are dropped. On
    // the main thread.
    void Close();

  private:
    static gboolean Dispatch(GSource* source, GSourceFunc, gpointer);

    UiTaskQueue queue_;
    GSource* source_;
};

}  // namespace tessaly
