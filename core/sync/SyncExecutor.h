#pragma once

#include "sync/SyncClock.h"

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>

namespace tavro {

// The sync engine's one worker thread: tasks run there one at a time, in the order posted, and
// the deadlines (the loop's next pass, the debounced pass and another try at writing log lines
// a held lock kept out) fire there when they fall due.
// A task that blocks (an HTTP request) holds up everything behind it, which is what makes
// the engine's state safe without further locks.
class SyncExecutor {
public:
    enum class Deadline { loop, debounce, heldLog };

    // `onDeadline` runs on the worker when an armed deadline falls due; it is disarmed first.
    // Deadlines fall due by `clock`.
    explicit SyncExecutor(std::function<void(Deadline)> onDeadline,
                          std::shared_ptr<SyncClock> clock = steadySyncClock());
    // Runs the tasks already queued, then ends the worker.
    ~SyncExecutor();
    SyncExecutor(const SyncExecutor&) = delete;
    SyncExecutor& operator=(const SyncExecutor&) = delete;

    void post(std::function<void()> task);

    // Runs `task` on the worker and waits for its result or exception. On the worker itself
    // it runs at once, so a task may call it without deadlocking.
    template <class Task> auto call(Task&& task) -> std::invoke_result_t<Task&>;

    // Arms (or re-arms, replacing the earlier time) a deadline `after` from now.
    void arm(Deadline deadline, std::chrono::steady_clock::duration after);
    void disarm(Deadline deadline);
    bool armed(Deadline deadline) const;

    bool onWorker() const { return std::this_thread::get_id() == worker_.get_id(); }

private:
    void run();
    std::optional<SyncClock::TimePoint>& slot(Deadline deadline) { return due_[size_t(deadline)]; }

    std::function<void(Deadline)> onDeadline_;
    std::shared_ptr<SyncClock> clock_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    std::array<std::optional<SyncClock::TimePoint>, 3> due_; // by Deadline
    bool stopping_ = false;
    std::thread worker_;
};

template <class Task> auto SyncExecutor::call(Task&& task) -> std::invoke_result_t<Task&> {
    using Result = std::invoke_result_t<Task&>;
    if (onWorker())
        return task();
    std::packaged_task<Result()> packaged(std::forward<Task>(task));
    auto result = packaged.get_future();
    auto shared = std::make_shared<std::packaged_task<Result()>>(std::move(packaged));
    post([shared] { (*shared)(); });
    return result.get();
}

} // namespace tavro
