#include "base/work_queue.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <stdexcept>

namespace tessaly {
namespace {

TEST(WorkQueueTest, ATaskThatThrowsIsLoggedAndTheNextOneRuns) {
    std::vector<std::string> log;
    bool ran = false;
    {
        WorkQueue queue([&](const std::string& line) { log.push_back(line); });
        queue.Post([] { throw std::runtime_error("disk on fire"); });
        queue.Post([] { throw 7; });
        queue.Post([&] { ran = true; });
    }
    EXPECT_TRUE(ran);
    EXPECT_EQ(log, (std::vector<std::string>{
                       "a background task failed and was skipped: disk on fire",
                       "a background task failed and was skipped: an exception that is not a "
                       "std::exception"}));
}

// What a task holds may post again when it goes: it goes outside the queue's lock.
TEST(WorkQueueTest, WhatATaskHoldsGoesOutsideTheQueuesLock) {
    auto queue = std::make_unique<WorkQueue>([](const std::string&) {});
    std::promise<void> postedFromTheEnd;
    struct PostsWhenGone {
        WorkQueue& queue;
        std::promise<void>& done;
        ~PostsWhenGone() {
            queue.Post([&done = done] { done.set_value(); });
        }
    };
    queue->Post([holder = std::make_shared<PostsWhenGone>(*queue, postedFromTheEnd)] {});
    if (postedFromTheEnd.get_future().wait_for(std::chrono::seconds(10)) !=
        std::future_status::ready) {
        ADD_FAILURE() << "the queue's thread is stuck on its own lock";
        queue.release();  // its thread can never be joined
    }
}

}  // namespace
}  // namespace tessaly
