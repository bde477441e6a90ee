// The floor an HTTP client can reach: requests written on one kept-alive connection to a loopback
// port, each reply read whole before the next goes. No library between the bytes and the socket.
#pragma once

#include "sync/HttpTransport.h"

#include <string>

namespace tavro::bench {

class PlainHTTPClient {
public:
    // Connects to 127.0.0.1:`port`; throws std::runtime_error when it cannot.
    explicit PlainHTTPClient(int port);
    ~PlainHTTPClient();
    PlainHTTPClient(const PlainHTTPClient&) = delete;
    PlainHTTPClient& operator=(const PlainHTTPClient&) = delete;

    // Sends the request with its headers, bearer and body as the engine's transport does, and
    // reads the reply (which must carry a Content-Length) whole; throws std::runtime_error.
    HttpResponse send(const HttpRequest& request);

private:
    void readMore();

    int socket_ = -1;
    std::string buffer_; // read and not yet used
};

} // namespace tavro::bench
