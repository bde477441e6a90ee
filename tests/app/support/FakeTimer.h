#pragma once

#include "values/RestartableTimer.h"

#include <functional>
#include <utility>

namespace tavro::test {

// A countdown that runs out only when the test says so.
class FakeTimer final : public RestartableTimer {
public:
    void start(std::function<void()> onTimeout) override {
        pending_ = std::move(onTimeout);
        ++starts;
    }
    void stop() override { pending_ = {}; }
    bool isActive() const override { return static_cast<bool>(pending_); }

    // Runs out the pending countdown, if any.
    void fire() {
        if (auto handler = std::exchange(pending_, {}))
            handler();
    }

    int starts = 0;

private:
    std::function<void()> pending_;
};

} // namespace tavro::test
