#include "sync/SyncExecutor.h"

namespace tavro {

namespace {

class SteadySyncClock final : public SyncClock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    void wait(std::condition_variable& wake, std::unique_lock<std::mutex>& lock,
              std::optional<TimePoint> until) override {
        if (until)
            wake.wait_until(lock, *until);
        else
            wake.wait(lock);
    }
};

} // namespace

std::shared_ptr<SyncClock> steadySyncClock() {
    static const auto clock = std::make_shared<SteadySyncClock>();
    return clock;
}

SyncExecutor::SyncExecutor(std::function<void(Deadline)> onDeadline,
                           std::shared_ptr<SyncClock> clock)
    : onDeadline_(std::move(onDeadline))
    , clock_(std::move(clock))
    , worker_([this] { run(); }) {}

SyncExecutor::~SyncExecutor() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void SyncExecutor::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_all();
}

void SyncExecutor::arm(Deadline deadline, std::chrono::steady_clock::duration after) {
    {
        std::lock_guard lock(mutex_);
        slot(deadline) = clock_->now() + after;
    }
    wake_.notify_all();
}

void SyncExecutor::disarm(Deadline deadline) {
    std::lock_guard lock(mutex_);
    slot(deadline).reset();
}

bool SyncExecutor::armed(Deadline deadline) const {
    std::lock_guard lock(mutex_);
    return due_[size_t(deadline)].has_value();
}

void SyncExecutor::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (!tasks_.empty()) {
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
            lock.lock();
            continue;
        }
        if (stopping_)
            return;
        const auto now = clock_->now();
        std::optional<Deadline> due;
        std::optional<SyncClock::TimePoint> next;
        for (size_t i = 0; i < due_.size() && !due; ++i) {
            if (due_[i] && *due_[i] <= now)
                due = Deadline(i);
            else if (due_[i] && (!next || *due_[i] < *next))
                next = due_[i];
        }
        if (due) {
            slot(*due).reset();
            lock.unlock();
            onDeadline_(*due);
            lock.lock();
            continue;
        }
        clock_->wait(wake_, lock, next);
    }
}

} // namespace tavro
