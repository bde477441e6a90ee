#pragma once

#include "sync/HttpTransport.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string_view>

namespace tavro::test {

// The real transport, noting when an event-stream piece that announces a change came in.
class EventSeeingTransport final : public HttpTransport {
public:
    HttpResponse send(const HttpRequest& request, std::stop_token stop) override {
        return inner_->send(request, stop);
    }
    HttpResponse stream(const HttpRequest& request,
                        const std::function<void(std::string_view)>& onBody,
                        std::stop_token stop) override {
        return inner_->stream(
            request,
            [&](std::string_view piece) {
                onBody(piece);
                if (piece.find("event: change") != std::string_view::npos)
                    ++changes;
            },
            stop);
    }
    std::atomic<int> changes = 0;

private:
    const std::shared_ptr<HttpTransport> inner_ = makeCurlTransport();
};

} // namespace tavro::test
