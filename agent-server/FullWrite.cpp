#include "FullWrite.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace tavro {

int writeFully(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written > 0) {
            bytes.remove_prefix(static_cast<size_t>(written));
            continue;
        }
        if (written == 0)
            return EIO;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // The reader is behind; giving up here would leave half a line on the stream.
            pollfd ready{.fd = fd, .events = POLLOUT, .revents = 0};
            if (::poll(&ready, 1, -1) < 0 && errno != EINTR)
                return errno;
            continue;
        }
        return errno;
    }
    return 0;
}

} // namespace tavro
