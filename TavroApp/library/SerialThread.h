#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace tavro {

// One thread of its own that runs the jobs posted to it one at a time, in the order posted.
// The library's reader and writer each own one, so that their connection is only ever used
// from that thread.
class SerialThread {
public:
    // What ending does with the jobs posted and not yet begun: a writer owes every one of them
    // to the user; a reader's answers would reach nobody.
    enum class AtEnd { runQueued, dropQueued };

    explicit SerialThread(AtEnd atEnd);
    // Waits for the job under way, and for the queued ones too when they are to be run.
    ~SerialThread();
    SerialThread(const SerialThread&) = delete;
    SerialThread& operator=(const SerialThread&) = delete;

    void post(std::function<void()> job);

private:
    void run();

    const AtEnd atEnd_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::thread thread_; // last: starts once the rest is ready
};

} // namespace tavro
