#include "browser/call_budget.h"

#include <algorithm>

namespace tessaly {

CallBudget::Share::Share(std::shared_ptr<std::atomic<std::size_t>> used, std::size_t bytes)
    : used_(std::move(used)), bytes_(bytes) {}

CallBudget::Share::~Share() {
    used_->fetch_sub(bytes_);
}

CallBudget::CallBudget(std::size_t capacity, std::size_t least)
    : capacity_(capacity), least_(least), used_(std::make_shared<std::atomic<std::size_t>>(0)) {}

std::shared_ptr<CallBudget::Share> CallBudget::Take(std::size_t bytes) {
    const std::size_t cost = std::max(bytes, least_);
    std::size_t used = used_->load();
    do {
        if (cost > capacity_ - used) {
            return nullptr;
        }
    } while (!used_->compare_exchange_weak(used, used + cost));
    try {
        return std::make_shared<Share>(used_, cost);
    } catch (...) {
        used_->fetch_sub(cost);
        throw;
    }
}

}  // namespace tessaly
