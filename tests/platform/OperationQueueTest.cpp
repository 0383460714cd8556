#include "platform/OperationQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <numeric>

using namespace orvane;
using namespace std::chrono_literals;

namespace {

// Counts the operations running at once and remembers the most there ever were.
class Concurrency {
public:
    void enter() {
        const int now = ++running_;
        int most = most_.load();
        while (now > most && !most_.compare_exchange_weak(most, now)) {
        }
    }
    void leave() { --running_; }
    int most() const { return most_.load(); }

private:
    std::atomic<int> running_{0};
    std::atomic<int> most_{0};
};

// A gate operations wait at until it opens; waiting gives up after a while so a fault fails
// the test instead of hanging it.
class Gate {
public:
    void open() {
        std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }
    bool wait() {
        std::unique_lock lock(mutex_);
        return opened_.wait_for(lock, 5s, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

} // namespace

TEST(OperationQueue, WidthOneRunsOperationsOneAtATimeInOrder) {
    OperationQueue queue("Write JSON and reload Safari", 1);
    Concurrency concurrency;
    std::mutex mutex;
    std::vector<int> order;
    for (int i = 0; i < 20; ++i) {
        queue.addOperation([&, i](const Operation&) {
            concurrency.enter();
            std::this_thread::sleep_for(1ms);
            {
                std::lock_guard lock(mutex);
                order.push_back(i);
            }
            concurrency.leave();
        });
    }
    queue.waitUntilAllOperationsAreFinished();
    std::vector<int> expected(20);
    std::iota(expected.begin(), expected.end(), 0);
    EXPECT_EQ(order, expected);
    EXPECT_EQ(concurrency.most(), 1);
    EXPECT_EQ(queue.operationCount(), 0U);
}

TEST(OperationQueue, WiderQueueRunsUpToItsWidthAtOnce) {
    OperationQueue queue("regexQueue", 3);
    Concurrency concurrency;
    std::atomic<int> arrived{0};
    Gate allThere;
    std::atomic<int> metTheOthers{0};
    for (int i = 0; i < 9; ++i) {
        queue.addOperation([&, i](const Operation&) {
            concurrency.enter();
            if (i < 3) {
                // The first three only go on once all three run together.
                if (++arrived == 3) {
                    allThere.open();
                }
                metTheOthers += allThere.wait() ? 1 : 0;
            }
            std::this_thread::sleep_for(2ms);
            concurrency.leave();
        });
    }
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(metTheOthers, 3);
    EXPECT_EQ(concurrency.most(), 3);
}

TEST(OperationQueue, CancellingMarksPendingAndRunningOperationsWhichStillRun) {
    OperationQueue queue("Write JSON and reload Safari", 1);
    Gate started;
    Gate release;
    std::atomic<int> sawCancelled{0};
    std::atomic<int> ran{0};
    auto observe = [&](const Operation& operation) {
        ++ran;
        sawCancelled += operation.isCancelled() ? 1 : 0;
    };
    auto running = queue.addOperation([&](const Operation& operation) {
        started.open();
        EXPECT_TRUE(release.wait());
        observe(operation);
    });
    auto pending = queue.addOperation(observe);
    ASSERT_TRUE(started.wait());
    queue.cancelAllOperations();
    auto later = queue.addOperation(observe);
    EXPECT_TRUE(running->isCancelled());
    EXPECT_TRUE(pending->isCancelled());
    release.open();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(ran, 3);
    EXPECT_EQ(sawCancelled, 2);
    EXPECT_FALSE(later->isCancelled());
    EXPECT_TRUE(running->isFinished() && pending->isFinished() && later->isFinished());
}

TEST(OperationQueue, DestructionCancelsWhatIsPendingAndWaitsForEverything) {
    std::atomic<bool> firstFinished{false};
    std::atomic<bool> secondSawCancel{false};
    std::atomic<bool> secondRan{false};
    Gate release;
    std::thread releaser;
    {
        OperationQueue queue("Schedule CloudKit requests", 1);
        Gate started;
        queue.addOperation([&](const Operation&) {
            started.open();
            EXPECT_TRUE(release.wait());
            firstFinished = true;
        });
        queue.addOperation([&](const Operation& operation) {
            secondSawCancel = operation.isCancelled();
            secondRan = true;
        });
        ASSERT_TRUE(started.wait());
        releaser = std::thread([&] {
            std::this_thread::sleep_for(50ms);
            release.open();
        });
    }
    releaser.join();
    EXPECT_TRUE(firstFinished);
    EXPECT_TRUE(secondRan);
    EXPECT_TRUE(secondSawCancel);
}

TEST(OperationQueue, WhatAnOperationHoldsIsReleasedBeforeWaitingEndsAndMayUseTheQueue) {
    OperationQueue queue("Write JSON and reload Safari", 1);
    std::atomic<bool> released{false};
    // What a finished operation holds goes when the operation goes, and may call the queue.
    struct CallsTheQueueWhenReleased {
        OperationQueue& queue;
        std::atomic<bool>& released;
        ~CallsTheQueueWhenReleased() {
            queue.operationCount();
            released = true;
        }
    };
    auto held = std::make_shared<CallsTheQueueWhenReleased>(CallsTheQueueWhenReleased{queue, released});
    queue.addOperation([held](const Operation&) {});
    held.reset();
    auto waited = std::async(std::launch::async, [&] { queue.waitUntilAllOperationsAreFinished(); });
    if (waited.wait_for(5s) != std::future_status::ready) {
        std::fputs("the queue deadlocked releasing a finished operation\n", stderr);
        std::abort();
    }
    EXPECT_TRUE(released);
}
