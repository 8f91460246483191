#include "base/ui_task_queue.h"

#include <exception>
#include <utility>

namespace tessaly {

UiTaskQueue::UiTaskQueue(std::size_t capacity, std::function<void()> wake,
                         std::function<void(const std::string&)> log)
    : capacity_(capacity), wake_(std::move(wake)), log_(std::move(log)) {}

bool UiTaskQueue::Post(std::function<void()> task) {
    bool first = false;
    {
        std::unique_lock lock(mutex_);
        if (closed_) {
            return false;
        }
        if (tasks_.size() >= capacity_) {
            const bool burstStarts = !std::exchange(dropping_, true);
            lock.unlock();
            if (burstStarts) {
                log_("the window's thread is " + std::to_string(capacity_) +
                     " tasks behind; later tasks are dropped until it catches up");
            }
            return false;
        }
        first = tasks_.empty();
        tasks_.push_back(std::move(task));
    }
    if (first) {
        wake_();
    }
    return true;
}

bool UiTaskQueue::RunBatch(std::size_t most) {
    for (std::size_t ran = 0; ran < most; ++ran) {
        std::function<void()> task;
        {
            const std::lock_guard lock(mutex_);
            if (tasks_.empty()) {
                dropping_ = false;
                return false;
            }
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        try {
            task();
        } catch (const std::exception& error) {
            log_(std::string("a task of the window's thread failed: ") + error.what());
        } catch (...) {
            log_("a task of the window's thread failed");
        }
    }
    const std::lock_guard lock(mutex_);
    dropping_ = dropping_ && !tasks_.empty();
    return !tasks_.empty();
}

void UiTaskQueue::Close() {
    std::deque<std::function<void()>> unrun;
    {
        const std::lock_guard lock(mutex_);
        closed_ = true;
        unrun.swap(tasks_);
    }
}

}  // namespace tessaly
