#include "base/work_queue.h"

#include "base/caught_exception.h"

namespace tessaly {

WorkQueue::WorkQueue(TaskFailureLog log) : log_(std::move(log)), thread_([this] { Run(); }) {}

WorkQueue::~WorkQueue() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_one();
    thread_.join();
}

void WorkQueue::Post(std::function<void()> task) {
    {
        const std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    changed_.notify_one();
}

void WorkQueue::Run() {
    while (true) {
        // Declared outside the lock, so what the task holds is let go outside it too: freeing a
        // large call takes time, and a destructor may post again.
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty()) {
                return;  // stopping, with nothing left to do
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        RunGuarded(task);
    }
}

void WorkQueue::RunGuarded(const std::function<void()>& task) {
    try {
        task();
    } catch (...) {
        LogFailure(CaughtWhat());
    }
}

void WorkQueue::LogFailure(const char* what) noexcept {
    try {
        log_(std::string("a background task failed and was skipped: ") + what);
    } catch (...) {
        // Out of memory even for the line: nothing more can be said.
    }
}

}  // namespace tessaly
