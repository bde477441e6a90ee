#include "library/SerialThread.h"

namespace tavro {

SerialThread::SerialThread(AtEnd atEnd)
    : atEnd_(atEnd)
    , thread_([this] { run(); }) {}

SerialThread::~SerialThread() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void SerialThread::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void SerialThread::run() {
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty() || (stopping_ && atEnd_ == AtEnd::dropQueued))
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

} // namespace tavro
