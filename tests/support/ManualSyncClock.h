#pragma once

#include "sync/SyncClock.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>

namespace tavro::test {

// A clock for sync workers that stands still until the test moves it, so a deadline falls due
// exactly when the test says, however loaded the machine.
class ManualSyncClock final : public SyncClock {
public:
    TimePoint now() const override;
    void wait(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
              std::optional<TimePoint> until) override;

    // Waits until a worker waits by this clock with nothing left to do before its next
    // deadline; gives whether one did within `limit`.
    bool awaitWaiting(std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Moves the time on and wakes the workers waiting by this clock, then waits until each of
    // them waits again, what fell due done; gives whether they did within `limit`. A worker
    // busy meanwhile sees the new time when it next looks. May be called on a worker.
    bool advance(std::chrono::steady_clock::duration by,
                 std::chrono::milliseconds limit = std::chrono::seconds(20));

private:
    struct Waiter {
        std::condition_variable* wake;
        std::mutex* mutex;
        std::uint64_t since; // the number of moves when it began to wait
        bool woken = false;
    };

    // Wakes every waiter from before the latest move; `guard` holds mutex_.
    void wakeWaiters(std::unique_lock<std::mutex>& guard);

    mutable std::mutex mutex_;
    std::condition_variable waiting_; // a waiter came
    TimePoint now_{};                 // the steady clock's epoch: only differences matter
    std::uint64_t moves_ = 0;
    std::list<Waiter> waiters_;
};

} // namespace tavro::test
