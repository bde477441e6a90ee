#include "sync/SyncExecutor.h"

#include "ManualSyncClock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace tavro;
using namespace tavro::test;
using namespace std::chrono_literals;
using Deadline = SyncExecutor::Deadline;

namespace {

// Records what ran on the worker, in order.
struct Journal {
    std::mutex mutex;
    std::vector<std::string> entries;
    void add(std::string entry) {
        std::lock_guard lock(mutex);
        entries.push_back(std::move(entry));
    }
    std::vector<std::string> snapshot() {
        std::lock_guard lock(mutex);
        return entries;
    }
};

// Generous: other builds may load the machine; a condition that holds ends the wait at once.
bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds limit = 20s) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

} // namespace

TEST(SyncExecutor, RunsTasksOneAtATimeInOrderOnOneThread) {
    Journal journal;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::thread::id worker;
    {
        SyncExecutor executor([](Deadline) {});
        worker = executor.call([] { return std::this_thread::get_id(); });
        std::vector<std::thread> posters;
        for (int p = 0; p < 4; ++p)
            posters.emplace_back([&, p] {
                for (int i = 0; i < 25; ++i)
                    executor.post([&, p, i] {
                        if (++inside > 1)
                            overlapped = true;
                        if (std::this_thread::get_id() != worker)
                            overlapped = true;
                        journal.add(std::to_string(p) + ":" + std::to_string(i));
                        --inside;
                    });
            });
        for (auto& poster : posters)
            poster.join();
    } // the destructor runs what was queued
    auto entries = journal.snapshot();
    ASSERT_EQ(entries.size(), 100u);
    EXPECT_FALSE(overlapped);
    for (int p = 0; p < 4; ++p) {
        int next = 0;
        for (const auto& entry : entries) {
            if (entry.starts_with(std::to_string(p) + ":")) {
                EXPECT_EQ(entry, std::to_string(p) + ":" + std::to_string(next++));
            }
        }
    }
}

TEST(SyncExecutor, CallReturnsTheResultOrRethrowsAndNestsOnTheWorker) {
    SyncExecutor executor([](Deadline) {});
    EXPECT_EQ(executor.call([] { return 42; }), 42);
    EXPECT_THROW(executor.call([]() -> int { throw std::runtime_error("boom"); }),
                 std::runtime_error);
    EXPECT_EQ(executor.call([&] { return executor.call([] { return 7; }) + 1; }), 8);
    EXPECT_FALSE(executor.onWorker());
    EXPECT_TRUE(executor.call([&] { return executor.onWorker(); }));
}

TEST(SyncExecutor, DeadlinesFireOnceOnTheWorkerAndReArmingPostponesThem) {
    Journal journal;
    std::thread::id fired;
    auto clock = std::make_shared<ManualSyncClock>();
    SyncExecutor executor(
        [&](Deadline which) {
            fired = std::this_thread::get_id();
            journal.add(which == Deadline::loop ? "loop" : "debounce");
        },
        clock);
    executor.arm(Deadline::debounce, 400ms);
    for (int i = 0; i < 5; ++i) { // a burst: each re-arm restarts the wait
        ASSERT_TRUE(clock->advance(10ms));
        executor.arm(Deadline::debounce, 400ms);
    }
    ASSERT_TRUE(clock->advance(399ms));
    EXPECT_TRUE(journal.snapshot().empty()) << "450 ms after the first arm, not before";
    ASSERT_TRUE(clock->advance(1ms));
    ASSERT_TRUE(eventually([&] { return journal.snapshot().size() == 1; }));
    ASSERT_TRUE(clock->advance(80ms));
    EXPECT_EQ(journal.snapshot(), std::vector<std::string>{"debounce"});
    EXPECT_EQ(fired, executor.call([] { return std::this_thread::get_id(); }));
    EXPECT_FALSE(executor.armed(Deadline::debounce));
}

TEST(SyncExecutor, TheTwoDeadlinesAreIndependentAndADisarmedOneNeverFires) {
    Journal journal;
    auto clock = std::make_shared<ManualSyncClock>();
    SyncExecutor executor(
        [&](Deadline which) { journal.add(which == Deadline::loop ? "loop" : "debounce"); }, clock);
    executor.arm(Deadline::loop, 60ms);
    executor.arm(Deadline::debounce, 10ms);
    ASSERT_TRUE(clock->advance(10ms));
    ASSERT_TRUE(eventually([&] { return journal.snapshot().size() == 1; }));
    ASSERT_TRUE(clock->advance(50ms));
    ASSERT_TRUE(eventually([&] { return journal.snapshot().size() == 2; }));
    EXPECT_EQ(journal.snapshot(), (std::vector<std::string>{"debounce", "loop"}));

    executor.arm(Deadline::loop, 200ms);
    EXPECT_TRUE(executor.armed(Deadline::loop));
    executor.disarm(Deadline::loop);
    ASSERT_TRUE(clock->advance(300ms));
    EXPECT_EQ(journal.snapshot().size(), 2u);
}

TEST(SyncExecutor, ADeadlineDueWhileATaskRunsFiresAfterIt) {
    Journal journal;
    auto clock = std::make_shared<ManualSyncClock>();
    SyncExecutor executor([&](Deadline) { journal.add("deadline"); }, clock);
    executor.post([&] {
        executor.arm(Deadline::loop, 1ms);
        EXPECT_TRUE(clock->advance(30ms)); // no worker waits: it runs this task
        journal.add("task");
    });
    ASSERT_TRUE(eventually([&] { return journal.snapshot().size() == 2; }));
    EXPECT_EQ(journal.snapshot(), (std::vector<std::string>{"task", "deadline"}));
}
