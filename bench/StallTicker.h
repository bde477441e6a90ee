// How long the calling thread's event loop went without running: a 10 ms precise timer ticks on
// it, and the longest gap between two ticks (or since the last one) is the longest stall.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

namespace tavro::bench {

class StallTicker {
public:
    static constexpr int intervalMs = 10;

    StallTicker() {
        clock_.start();
        ticker_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&ticker_, &QTimer::timeout, [this] {
            const qint64 at = clock_.nsecsElapsed();
            longest_ = std::max(longest_, at - last_);
            last_ = at;
        });
        ticker_.start(intervalMs);
    }

    // Forgets the gaps so far.
    void reset() {
        last_ = clock_.nsecsElapsed();
        longest_ = 0;
    }

    double longestGapMs() const {
        return double(std::max(longest_, clock_.nsecsElapsed() - last_)) / 1e6;
    }

private:
    QElapsedTimer clock_;
    QTimer ticker_;
    qint64 last_ = 0;
    qint64 longest_ = 0;
};

} // namespace tavro::bench
