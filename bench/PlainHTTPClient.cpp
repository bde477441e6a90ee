#include "PlainHTTPClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace tavro::bench {

namespace {

std::string pathOf(const std::string& url) {
    const auto scheme = url.find("://");
    const auto slash = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    return slash == std::string::npos ? "/" : url.substr(slash);
}

std::string hostOf(const std::string& url) {
    const auto scheme = url.find("://");
    const auto start = scheme == std::string::npos ? 0 : scheme + 3;
    return url.substr(start, url.find('/', start) - start);
}

} // namespace

PlainHTTPClient::PlainHTTPClient(int port) {
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (socket_ < 0 ||
        ::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("cannot connect to the service");
    const int on = 1;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

PlainHTTPClient::~PlainHTTPClient() {
    if (socket_ >= 0)
        ::close(socket_);
}

void PlainHTTPClient::readMore() {
    char chunk[64 * 1024];
    for (;;) {
        const ssize_t got = ::recv(socket_, chunk, sizeof chunk, 0);
        if (got > 0) {
            buffer_.append(chunk, size_t(got));
            return;
        }
        if (got < 0 && errno == EINTR)
            continue;
        throw std::runtime_error("the service closed the connection");
    }
}

HttpResponse PlainHTTPClient::send(const HttpRequest& request) {
    std::string head = request.method + " " + pathOf(request.url) +
                       " HTTP/1.1\r\nHost: " + hostOf(request.url) + "\r\n";
    for (const auto& [name, value] : request.headers)
        head += name + ": " + value + "\r\n";
    if (request.bearer)
        head += "Authorization: Bearer " + *request.bearer + "\r\n";
    if (request.body)
        head += "Content-Length: " + std::to_string(request.body->size()) + "\r\n";
    head += "\r\n";
    if (request.body)
        head += *request.body;
    for (size_t sent = 0; sent < head.size();) {
        const ssize_t wrote = ::send(socket_, head.data() + sent, head.size() - sent, MSG_NOSIGNAL);
        if (wrote <= 0)
            throw std::runtime_error("cannot send the request");
        sent += size_t(wrote);
    }

    size_t end;
    while ((end = buffer_.find("\r\n\r\n")) == std::string::npos)
        readMore();
    const std::string headers = buffer_.substr(0, end + 2);
    buffer_.erase(0, end + 4);
    HttpResponse response;
    response.status = std::stol(headers.substr(headers.find(' ') + 1, 3));
    size_t length = 0;
    for (size_t at = headers.find("\r\n") + 2; at < headers.size();) {
        const size_t next = headers.find("\r\n", at);
        const std::string line = headers.substr(at, next - at);
        if (line.size() > 15 && (line.compare(0, 15, "Content-Length:") == 0 ||
                                 line.compare(0, 15, "content-length:") == 0))
            length = std::stoul(line.substr(15));
        at = next + 2;
    }
    buffer_.reserve(length);
    while (buffer_.size() < length)
        readMore();
    response.body.assign(buffer_, 0, length);
    buffer_.erase(0, length);
    return response;
}

} // namespace tavro::bench
