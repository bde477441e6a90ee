#include "StdoutTransport.h"

#include "Diagnostics.h"
#include "FullWrite.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
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
        failure = writeFully(fd_, *text);
        brokenPipe_ = brokenPipe_ || failure == EPIPE;
    }
    if (failure)
        diagnostics::log(std::string("could not write a reply, dropped: ") +
                         std::strerror(failure));
}

bool StdoutTransport::readerGone() {
    std::lock_guard guard(lock_);
    if (brokenPipe_ || fd_ < 0)
        return brokenPipe_;
    // A pipe or socket whose reading end has closed reports an error or a hang-up; a file or a
    // terminal reports neither.
    pollfd stream{.fd = fd_, .events = 0, .revents = 0};
    return ::poll(&stream, 1, 0) > 0 && (stream.revents & (POLLERR | POLLHUP)) != 0;
}

namespace {

bool isOpen(int fd) {
    return ::fcntl(fd, F_GETFD) >= 0 || errno != EBADF;
}

// Points a standard stream that the client left closed at /dev/null, so that no file opened
// later takes its number.
void fillWithNull(int fd) {
    if (isOpen(fd))
        return;
    int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
    }
}

} // namespace

int claimStandardOutput() {
    std::signal(SIGPIPE, SIG_IGN);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    // A closed standard output gives -1: each reply is then dropped with a line on standard
    // error.
    int protocol = isOpen(STDOUT_FILENO) ? ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3) : -1;
    fillWithNull(STDIN_FILENO);
    fillWithNull(STDERR_FILENO);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    return protocol;
}

} // namespace tavro
