#pragma once

#include "sync/SyncExecutor.h"
#include "sync/SyncReply.h"

#include <functional>
#include <future>
#include <memory>
#include <stop_token>

namespace tavro {

// The next exchange of a pull, asked for on a thread of its own while the page before it is
// applied, so the service answers while the store writes. One at a time; the thread is kept,
// and with it its connection to the service.
class NextPage {
public:
    using Fetch = std::function<SyncReply(std::stop_token)>;

    NextPage();
    // Stops and waits for a request still out.
    ~NextPage();
    NextPage(const NextPage&) = delete;
    NextPage& operator=(const NextPage&) = delete;

    // Sends `fetch` off; it is stopped as soon as `session` is, or when dropped.
    void ask(Fetch fetch, std::stop_token session);
    bool asked() const { return slot_ != nullptr; }
    // Waits for the reply asked for, or throws what the request threw.
    SyncReply take();
    // Stops the request still out, if any, and waits for it to end.
    void drop();

private:
    struct Slot {
        std::stop_source stop;
        std::promise<SyncReply> reply;
    };

    std::shared_ptr<Slot> slot_;
    std::future<SyncReply> reply_;
    SyncExecutor thread_; // last: ends before the slot it may still fill
};

} // namespace tavro
