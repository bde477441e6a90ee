#include "values/RestartableTimer.h"

#include <utility>

namespace tavro {

QtRestartableTimer::QtRestartableTimer(int intervalMs) {
    timer_.setSingleShot(true);
    timer_.setInterval(intervalMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        // Taken out first: the handler may start the timer again.
        auto handler = std::exchange(onTimeout_, {});
        if (handler)
            handler();
    });
}

void QtRestartableTimer::start(std::function<void()> onTimeout) {
    onTimeout_ = std::move(onTimeout);
    timer_.start();
}

void QtRestartableTimer::stop() {
    timer_.stop();
    onTimeout_ = {};
}

} // namespace tavro
