#pragma once

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace tavro::test {

// Sends what the process writes to standard error into a temporary file while it lives.
class StandardErrorCapture {
public:
    StandardErrorCapture() {
        char name[] = "/tmp/tavro-stderr-XXXXXX";
        file_ = mkstemp(name);
        if (file_ < 0)
            throw std::runtime_error("mkstemp failed");
        unlink(name);
        saved_ = dup(STDERR_FILENO);
        dup2(file_, STDERR_FILENO);
    }
    ~StandardErrorCapture() {
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        close(file_);
    }
    StandardErrorCapture(const StandardErrorCapture&) = delete;
    StandardErrorCapture& operator=(const StandardErrorCapture&) = delete;

    std::string text() const {
        std::string out;
        char buffer[4096];
        off_t offset = 0;
        for (;;) {
            ssize_t n = pread(file_, buffer, sizeof buffer, offset);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return out;
            out.append(buffer, size_t(n));
            offset += n;
        }
    }

private:
    int file_ = -1;
    int saved_ = -1;
};

} // namespace tavro::test
