#pragma once

#include <QTimer>

#include <functional>

namespace tavro {

// A single-shot countdown that each start begins again from the full interval; behind an
// interface so that tests run out the time by hand.
class RestartableTimer {
public:
    virtual ~RestartableTimer() = default;
    // Cancels a pending countdown and starts a new one that calls `onTimeout` once.
    virtual void start(std::function<void()> onTimeout) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// The countdown on the GUI thread's event loop.
class QtRestartableTimer final : public RestartableTimer {
public:
    explicit QtRestartableTimer(int intervalMs);

    void start(std::function<void()> onTimeout) override;
    void stop() override;
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
    std::function<void()> onTimeout_;
};

} // namespace tavro
