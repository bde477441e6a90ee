#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavro {

// One HTTP request as the sync client means it: the transport sends these headers and no
// others of its own (no default Accept, Content-Type or Expect), so a storage upload carries
// exactly what the service named.
struct HttpRequest {
    std::string method = "GET";
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers;
    // Sent as "Authorization: Bearer <token>", and only to the host of `url`: a redirect to
    // another host (or port or scheme) goes without it.
    std::optional<std::string> bearer;
    std::optional<std::string> body;
    // The request fails when no byte moves for this long (connecting included)...
    std::chrono::milliseconds idleTimeout{60'000};
    // ...or when the whole transfer takes longer than this; none for a stream.
    std::optional<std::chrono::milliseconds> transferLimit{300'000};
    // The largest body taken: a reply that announces or sends more fails as too large as soon
    // as that is known. Never more than the transport's own cap.
    std::optional<std::size_t> maxBody;
    // Where a redirect may lead: to any http or https address, or only within the request's own
    // origin (scheme, host and port). A redirect elsewhere is then not followed and nothing goes
    // there: its reply is the answer, with `refusedRedirect` set.
    enum class Redirects { anyWebAddress, sameOrigin };
    Redirects redirects = Redirects::anyWebAddress;

    bool operator==(const HttpRequest&) const = default;
};

struct HttpResponse {
    long status = 0;
    std::string body;
    // The origin ("scheme://host:port") of a redirect that was not followed.
    std::optional<std::string> refusedRedirect;

    bool operator==(const HttpResponse&) const = default;
};

// A request that got no HTTP reply: no connection, a timeout, a refused scheme or redirect, a
// stop request, a reply larger than the request takes. what() is the transport's own description.
class TransportError : public std::runtime_error {
public:
    enum class Kind { failed, timedOut, stopped, tooLarge };
    TransportError(Kind kind, const std::string& description)
        : std::runtime_error(description)
        , kind_(kind) {}
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// How requests reach the network. Only http and https are spoken, for the request and for
// every redirect it follows. Implementations are safe to call from several threads at once.
class HttpTransport {
public:
    virtual ~HttpTransport() = default;

    // Sends the request and gives the reply of any status; throws TransportError. A stop
    // request ends the transfer within about a second.
    virtual HttpResponse send(const HttpRequest& request, std::stop_token stop = {}) = 0;

    // Opens a long-lived reply: once its status is known to be 2xx, each piece of the body is
    // handed to `onBody` as it arrives; any other status's body is kept in the result instead.
    // Returns when the body ends, or when a stop request ends an opened stream; throws
    // TransportError when the transfer fails or is stopped before it opens.
    virtual HttpResponse stream(const HttpRequest& request,
                                const std::function<void(std::string_view)>& onBody,
                                std::stop_token stop) = 0;
};

// The libcurl transport: one easy handle per thread, reused for keep-alive; TLS through the
// system's CA store; nothing kept on disk.
std::shared_ptr<HttpTransport> makeCurlTransport();

} // namespace tavro
