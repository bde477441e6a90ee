#pragma once

#include "sync/SyncRecords.h"
#include "sync/SyncTimings.h"

namespace tavro::RetryBackoff {

// What the sign-in does after one poll for its token.
struct PollStep {
    enum class Action { poll, signedIn, denied, expired };
    Action action = Action::poll;
    double interval = 2; // seconds before the next poll
    bool operator==(const PollStep&) const = default;
};

// Pending polls again at the same pace, a slow-down request adds five seconds each time.
PollStep afterPoll(const DevicePoll& poll, double interval);

// The real wait for an interval in the device code's seconds.
SyncTimings::Duration pollWait(double interval, const SyncTimings& timings);

// The wait before the event stream is opened again. The service's answer (an error status,
// a stream that ended, a failed connection) does not change it: a fixed pace keeps a broken
// server from being hammered and a recovered one from waiting long.
SyncTimings::Duration reconnectDelay(const SyncTimings& timings);

} // namespace tavro::RetryBackoff
