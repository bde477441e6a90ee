#include "sync/SyncExecutor.h"

namespace tavro {

SyncExecutor::SyncExecutor(std::function<void(Deadline)> onDeadline)
    : onDeadline_(std::move(onDeadline))
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

void SyncExecutor::arm(Deadline deadline, Clock::duration after) {
    {
        std::lock_guard lock(mutex_);
        slot(deadline) = Clock::now() + after;
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
        const auto now = Clock::now();
        std::optional<Deadline> due;
        std::optional<Clock::time_point> next;
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
        if (next)
            wake_.wait_until(lock, *next);
        else
            wake_.wait(lock);
    }
}

} // namespace tavro
