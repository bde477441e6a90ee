#include "ManualSyncClock.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace tavro::test {

SyncClock::TimePoint ManualSyncClock::now() const {
    std::lock_guard guard(mutex_);
    return now_;
}

void ManualSyncClock::wait(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                           std::optional<TimePoint> until) {
    std::list<Waiter>::iterator self;
    {
        std::lock_guard guard(mutex_);
        // The time may have moved since the caller looked at it.
        if (until && *until <= now_)
            return;
        self = waiters_.insert(waiters_.end(),
                               {.wake = &wake, .mutex = lock.mutex(), .since = moves_});
    }
    waiting_.notify_all();
    wake.wait(lock);
    std::lock_guard guard(mutex_);
    waiters_.erase(self);
}

bool ManualSyncClock::awaitWaiting(std::chrono::milliseconds limit) {
    std::unique_lock guard(mutex_);
    return waiting_.wait_for(guard, limit, [&] { return !waiters_.empty(); });
}

bool ManualSyncClock::advance(std::chrono::steady_clock::duration by,
                              std::chrono::milliseconds limit) {
    std::unique_lock guard(mutex_);
    now_ += by;
    const std::uint64_t move = ++moves_;
    std::vector<std::condition_variable*> woken;
    for (const auto& waiter : waiters_)
        woken.push_back(waiter.wake);
    wakeWaiters(guard);
    return waiting_.wait_for(guard, limit, [&] {
        return std::all_of(woken.begin(), woken.end(), [&](std::condition_variable* wake) {
            return std::any_of(waiters_.begin(), waiters_.end(), [&](const Waiter& waiter) {
                return waiter.wake == wake && waiter.since >= move;
            });
        });
    });
}

void ManualSyncClock::wakeWaiters(std::unique_lock<std::mutex>& guard) {
    for (;;) {
        // A waiter whose mutex is free is blocked on its condition variable, so the notice
        // reaches it. One whose mutex is held is about to block, or woke and wants this
        // clock's mutex to leave: let go of it and look again.
        bool pending = false;
        for (auto& waiter : waiters_) {
            if (waiter.woken || waiter.since == moves_)
                continue;
            if (!waiter.mutex->try_lock()) {
                pending = true;
                continue;
            }
            waiter.wake->notify_all();
            waiter.mutex->unlock();
            waiter.woken = true;
        }
        if (!pending)
            return;
        guard.unlock();
        std::this_thread::yield();
        guard.lock();
    }
}

} // namespace tavro::test
