#include "library/SerialThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

using namespace tavro;

// Jobs run one at a time in the order posted; ending waits for the job under way, and runs the
// queued ones only when asked to, so that a writer loses no write and a reader answers nobody.
TEST(SerialThreadTest, RunsJobsInOrderAndEndsAsAskedWithJobsStillQueued) {
    struct Case {
        SerialThread::AtEnd atEnd;
        bool everyJobRuns;
    };
    for (const Case& c : {Case{SerialThread::AtEnd::runQueued, true},
                          Case{SerialThread::AtEnd::dropQueued, false}}) {
        SCOPED_TRACE(c.everyJobRuns ? "runQueued" : "dropQueued");
        std::mutex mutex;
        std::vector<int> ran;
        std::atomic<bool> overlapped = false;
        std::atomic<int> running = 0;
        std::promise<void> firstBegun, gate;
        std::shared_future<void> opened = gate.get_future().share();

        auto thread = std::make_unique<SerialThread>(c.atEnd);
        const auto job = [&](int n) {
            return [&, n] {
                overlapped = overlapped || running.fetch_add(1) > 0;
                if (n == 0) {
                    firstBegun.set_value();
                    opened.wait();
                }
                {
                    std::lock_guard lock(mutex);
                    ran.push_back(n);
                }
                running.fetch_sub(1);
            };
        };
        constexpr int jobs = 50;
        for (int n = 0; n < jobs; ++n)
            thread->post(job(n));
        firstBegun.get_future().wait();

        // Ended from another thread while the first job holds the thread up.
        std::thread ender([&] { thread.reset(); });
        gate.set_value();
        ender.join();

        EXPECT_FALSE(overlapped);
        ASSERT_FALSE(ran.empty()) << "the job under way was not waited for";
        std::vector<int> prefix(ran.size());
        std::iota(prefix.begin(), prefix.end(), 0);
        EXPECT_EQ(ran, prefix) << "jobs ran out of order";
        if (c.everyJobRuns) {
            EXPECT_EQ(ran.size(), size_t(jobs));
        }
    }
}
