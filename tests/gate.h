// A gate the program's threads wait at, in a test, until the test opens it: a save that takes
// long, or an extension whose load hangs.
#pragma once

#include <condition_variable>
#include <mutex>

namespace tessaly::test {

class Gate {
  public:
    void Open() {
        const std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [this] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

}  // namespace tessaly::test
