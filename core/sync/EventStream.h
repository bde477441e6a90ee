#pragma once

#include "sync/HttpTransport.h"

#include <chrono>
#include <functional>
#include <thread>

namespace tavro {

// Listens to the service's event stream on a thread of its own: each change line calls
// `onChange` (on that thread), and the stream is opened again `reconnect` after it ends, fails
// or is refused. Destroying it ends an open connection and a wait at once.
class EventStream {
public:
    EventStream(std::function<HttpRequest()> request, HttpTransport& transport,
                std::chrono::milliseconds reconnect, std::function<void()> onChange);
    ~EventStream();
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    // The number of times the stream was opened, for the reconnect rule's tests.
    int connections() const { return connections_.load(); }

private:
    void run(std::stop_token stop);

    std::function<HttpRequest()> request_;
    HttpTransport& transport_;
    std::chrono::milliseconds reconnect_;
    std::function<void()> onChange_;
    std::atomic<int> connections_{0};
    std::jthread thread_;
};

} // namespace tavro
