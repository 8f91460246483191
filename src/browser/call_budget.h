// The memory the page's calls in flight may hold: texts waiting to be read, bytes on their way to
// a file, calls an extension has not answered. A page that calls faster than the program answers
// is told so (Busy) once they hold the budget, instead of running the program out of memory.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>

namespace tessaly {

class CallBudget {
  public:
    // What one call holds of the budget; given back when the last copy of it goes, with the
    // call's answer or with the call abandoned.
    class Share {
      public:
        Share(std::shared_ptr<std::atomic<std::size_t>> used, std::size_t bytes);
        ~Share();
        Share(const Share&) = delete;
        Share& operator=(const Share&) = delete;

      private:
        std::shared_ptr<std::atomic<std::size_t>> used_;
        std::size_t bytes_;
    };

    // Each call counts for at least `least` bytes, so a flood of small calls is bounded in
    // number too.
    CallBudget(std::size_t capacity, std::size_t least);

    // A share of `bytes` (at least the least), or null when the budget has no room left for it.
    // Any thread.
    std::shared_ptr<Share> Take(std::size_t bytes);

  private:
    const std::size_t capacity_;
    const std::size_t least_;
    // Shared with the shares, which may end after the budget.
    std::shared_ptr<std::atomic<std::size_t>> used_;
};

}  // namespace tessaly
