#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace tavro {

// The time the sync worker's deadlines are measured in, and its way of waiting for the next of
// them, so a test can move that time instead of waiting it out.
class SyncClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~SyncClock() = default;
    virtual TimePoint now() const = 0;
    // Waits on `wake`, whose mutex `lock` holds, until `until` (forever without one) or a
    // notification; may return early, the caller looks again.
    virtual void wait(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
                      std::optional<TimePoint> until) = 0;
};

// The steady clock, for the engine outside tests.
std::shared_ptr<SyncClock> steadySyncClock();

} // namespace tavro
