#pragma once

#include "model/Time.h"
#include "sync/SyncClock.h"

#include <chrono>
#include <functional>
#include <memory>

namespace tavro {

// Every delay and age the engine works by. Tests shrink them to milliseconds; the wall clock
// that dates the account refresh and the reconcile is injected with them.
struct SyncTimings {
    using Duration = std::chrono::milliseconds;

    Duration loop{30'000};      // after the end of each pass
    Duration debounce{2'000};   // after the last local change or change event
    Duration reconnect{15'000}; // after the event stream ends or fails
    // The length of one second of a device code's polling interval (and of the slow-down step).
    Duration pollSecond{1'000};
    // Between tries at writing log lines that another program's write lock kept out.
    Duration heldLogRetry{250};
    Seconds accountRefreshAge = 21'600; // 6 h
    Seconds reconcileAge = 86'400;      // 24 h
    std::function<Seconds()> clock = [] {
        return tavro::now();
    };
    // What the worker's deadlines (the loop, the debounce, the held log's retry) fall due by.
    std::shared_ptr<SyncClock> deadlineClock = steadySyncClock();

    // Polling interval after the service asked to slow down, in the device code's seconds.
    static constexpr double slowDownStep = 5;
    static constexpr int maxExchangesPerPass = 26;
};

} // namespace tavro
