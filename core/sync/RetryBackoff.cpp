#include "sync/RetryBackoff.h"

#include <cmath>

namespace tavro::RetryBackoff {

PollStep afterPoll(const DevicePoll& poll, double interval) {
    using Kind = DevicePoll::Kind;
    using Action = PollStep::Action;
    switch (poll.kind) {
    case Kind::token:
        return {Action::signedIn, interval};
    case Kind::slowDown:
        return {Action::poll, interval + SyncTimings::slowDownStep};
    case Kind::denied:
        return {Action::denied, interval};
    case Kind::expired:
        return {Action::expired, interval};
    case Kind::pending:
        break;
    }
    return {Action::poll, interval};
}

SyncTimings::Duration pollWait(double interval, const SyncTimings& timings) {
    if (!std::isfinite(interval) || interval < 0)
        interval = 0;
    return SyncTimings::Duration(static_cast<SyncTimings::Duration::rep>(
        std::llround(interval * timings.pollSecond.count())));
}

SyncTimings::Duration reconnectDelay(const SyncTimings& timings) {
    return timings.reconnect;
}

} // namespace tavro::RetryBackoff
