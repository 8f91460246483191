// Work for the user-interface thread, handed over from any thread. The tasks wait in a list of
// their own rather than in the platform's message queue: nothing but a bare wake-up goes through
// the platform, which is woken once when the list stops being empty and then runs the tasks in
// batches from its main loop. A flood of tasks so never keeps input and painting from their turn,
// and never meets a limit of the platform's queue that would drop a task unseen.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace tessaly {

class UiTaskQueue {
  public:
    // `wake` asks the platform's main loop to call RunBatch soon; it is called on the posting
    // thread, and only when the list goes from empty to not empty. `log` takes a line for the
    // program's log, on any thread.
    UiTaskQueue(std::size_t capacity, std::function<void()> wake,
                std::function<void(const std::string&)> log);
    UiTaskQueue(const UiTaskQueue&) = delete;
    UiTaskQueue& operator=(const UiTaskQueue&) = delete;

    // Adds a task; false when it is dropped unrun: the list is full (logged once for each run of
    // drops) or closed. A task is destroyed on the thread that runs or drops it.
    bool Post(std::function<void()> task);

    // Runs up to `most` of the waiting tasks, in the order they were posted; on the user-interface
    // thread. True when some are left: the platform then lets its input and painting go first
    // and calls again. A task that throws is logged and the rest still run.
    bool RunBatch(std::size_t most);

    // The window is gone: the waiting tasks are destroyed unrun, on the calling thread, and
    // later ones are dropped.
    void Close();

  private:
    const std::size_t capacity_;
    const std::function<void()> wake_;
    const std::function<void(const std::string&)> log_;
    std::mutex mutex_;  // guards what follows
    std::deque<std::function<void()>> tasks_;
    bool closed_ = false;
    bool dropping_ = false;  // since the list was last full; cleared once it has emptied
};

}  // namespace tessaly
