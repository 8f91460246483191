#include "base/ui_task_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tessaly {
namespace {

struct Recorded {
    std::atomic<int> wakes{0};
    std::vector<std::string> log;
    UiTaskQueue queue;

    explicit Recorded(std::size_t capacity)
        : queue(
              capacity, [this] { ++wakes; },
              [this](const std::string& line) { log.push_back(line); }) {}
};

TEST(UiTaskQueueTest, TasksFromManyThreadsRunInEachThreadsOrderWithOneWakeUpPerEmptyList) {
    Recorded ui(100000);
    constexpr int kThreads = 4;
    constexpr int kEach = 5000;
    std::vector<std::vector<int>> seen(kThreads);
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                EXPECT_TRUE(ui.queue.Post([&seen, t, i] { seen[t].push_back(i); }));
            }
        });
    }
    for (std::thread& poster : posters) {
        poster.join();
    }
    EXPECT_EQ(ui.wakes, 1);
    int batches = 0;
    while (ui.queue.RunBatch(1000)) {
        ++batches;
    }
    EXPECT_EQ(batches, kThreads * kEach / 1000 - 1);
    for (const std::vector<int>& one : seen) {
        ASSERT_EQ(one.size(), std::size_t(kEach));
        for (int i = 0; i < kEach; ++i) {
            EXPECT_EQ(one[i], i);
        }
    }
    ui.queue.Post([] {});
    EXPECT_EQ(ui.wakes, 2);
}

TEST(UiTaskQueueTest, AFullListDropsWithOneLogLinePerRunOfDropsAndAThrowingTaskStopsNothing) {
    Recorded ui(3);
    int ran = 0;
    ui.queue.Post([] { throw std::runtime_error("boom"); });
    ui.queue.Post([&] { ++ran; });
    ui.queue.Post([&] { ++ran; });
    EXPECT_FALSE(ui.queue.Post([&] { ++ran; }));
    EXPECT_FALSE(ui.queue.Post([&] { ++ran; }));
    ASSERT_EQ(ui.log.size(), 1u);
    EXPECT_EQ(ui.log[0],
              "the window's thread is 3 tasks behind; later tasks are dropped until it catches up");
    EXPECT_TRUE(ui.queue.RunBatch(2));
    EXPECT_FALSE(ui.queue.RunBatch(2));
    EXPECT_EQ(ran, 2);
    ASSERT_EQ(ui.log.size(), 2u);
    EXPECT_EQ(ui.log[1], "a task of the window's thread failed: boom");
    for (int i = 0; i < 4; ++i) {
        ui.queue.Post([] {});
    }
    EXPECT_EQ(ui.log.size(), 3u);  // a new run of drops is told again
}

TEST(UiTaskQueueTest, ClosingDestroysTheWaitingTasksUnrunAndDropsLaterOnes) {
    Recorded ui(10);
    auto captured = std::make_shared<int>(0);
    bool ran = false;
    ui.queue.Post([captured, &ran] { ran = true; });
    ui.queue.Close();
    EXPECT_EQ(captured.use_count(), 1);
    EXPECT_FALSE(ui.queue.Post([&ran] { ran = true; }));
    EXPECT_FALSE(ui.queue.RunBatch(10));
    EXPECT_FALSE(ran);
    EXPECT_EQ(ui.wakes, 1);
    EXPECT_TRUE(ui.log.empty());
}

}  // namespace
}  // namespace tessaly
