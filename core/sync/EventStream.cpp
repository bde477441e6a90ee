#include "sync/EventStream.h"

#include "sync/EventStreamLines.h"

#include <condition_variable>
#include <mutex>

namespace tavro {

EventStream::EventStream(std::function<HttpRequest()> request, HttpTransport& transport,
                         std::chrono::milliseconds reconnect, std::function<void()> onChange)
    : request_(std::move(request))
    , transport_(transport)
    , reconnect_(reconnect)
    , onChange_(std::move(onChange))
    , thread_([this](std::stop_token stop) { run(stop); }) {}

EventStream::~EventStream() {
    thread_.request_stop();
    thread_.join();
}

void EventStream::run(std::stop_token stop) {
    std::mutex mutex;
    std::condition_variable_any wake;
    while (!stop.stop_requested()) {
        ++connections_;
        EventStreamLines lines([&](std::string_view line) {
            if (isChangeEvent(line) && !stop.stop_requested())
                onChange_();
        });
        try {
            auto reply = transport_.stream(
                request_(), [&](std::string_view bytes) { lines.feed(bytes); }, stop);
            if (reply.status == 200)
                lines.finish();
        } catch (const TransportError&) {
            // Failed to connect or cut off: the same wait as a stream that ended.
        }
        std::unique_lock lock(mutex);
        wake.wait_for(lock, stop, reconnect_, [] { return false; });
    }
}

} // namespace tavro
