// One background thread that runs tasks one after another, in the order they were posted.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tessaly {

// Takes a line saying what a task threw; called on the queue's thread.
using TaskFailureLog = std::function<void(const std::string& line)>;

class WorkQueue {
  public:
    // An exception that escapes a task is written to `log`, and the thread goes on with the next
    // task: one failed call must not end every later one, nor the process.
    explicit WorkQueue(TaskFailureLog log);
    // Runs every task already posted, then ends the thread.
    ~WorkQueue();
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    void Post(std::function<void()> task);

  private:
    void Run();
    void RunGuarded(const std::function<void()>& task);
    void LogFailure(const char* what) noexcept;

    TaskFailureLog log_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace tessaly
