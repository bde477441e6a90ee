#include "StdoutTransport.h"

#include "Diagnostics.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tavro {

StdoutTransport::StdoutTransport(int fd)
    : fd_(fd) {}

void StdoutTransport::send(const JSON& message) {
    auto text = JSONRPC::serialize(message);
    if (!text) {
        diagnostics::log("failed to serialize outgoing message");
        return;
    }
    text->push_back('\n');
    int failure = 0;
    {
        std::lock_guard guard(lock_);
        std::string_view rest = *text;
        while (!rest.empty()) {
            ssize_t written = ::write(fd_, rest.data(), rest.size());
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                failure = written < 0 ? errno : EIO;
                break;
            }
            rest.remove_prefix(static_cast<size_t>(written));
        }
    }
    if (failure)
        diagnostics::log(std::string("could not write a reply, dropped: ") +
                         std::strerror(failure));
}

int claimStandardOutput() {
    std::signal(SIGPIPE, SIG_IGN);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int protocol = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    return protocol;
}

} // namespace tavro
