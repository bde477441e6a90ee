#include "ProcessRunner.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace tavro::test {

ProcessRunner::ProcessRunner(std::vector<std::string> argv)
    : argv_(std::move(argv)) {}

ProcessRunner::~ProcessRunner() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {inFd_, outFd_, errFd_})
        if (fd >= 0)
            close(fd);
}

void ProcessRunner::start(const std::string& input) {
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    // Built before the fork: the child of a threaded process may not allocate, since another
    // thread can hold the allocator's lock at the moment of the fork.
    std::vector<char*> args;
    for (auto& a : argv_)
        args.push_back(a.data());
    args.push_back(nullptr);
    pid_ = fork();
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    inFd_ = in[1];
    outFd_ = out[0];
    errFd_ = err[0];
    input_ = input;
}

ProcessResult ProcessRunner::wait() {
    signal(SIGPIPE, SIG_IGN);
    ProcessResult result;
    size_t written = 0;
    if (input_.empty()) {
        close(inFd_);
        inFd_ = -1;
    }
    while (outFd_ >= 0 || errFd_ >= 0) {
        pollfd fds[3];
        int n = 0;
        if (outFd_ >= 0)
            fds[n++] = {outFd_, POLLIN, 0};
        if (errFd_ >= 0)
            fds[n++] = {errFd_, POLLIN, 0};
        if (inFd_ >= 0)
            fds[n++] = {inFd_, POLLOUT, 0};
        if (poll(fds, nfds_t(n), -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (!fds[i].revents)
                continue;
            if (fds[i].fd == inFd_) {
                ssize_t w = write(inFd_, input_.data() + written, input_.size() - written);
                if (w > 0)
                    written += size_t(w);
                if (w < 0 || written == input_.size()) {
                    close(inFd_);
                    inFd_ = -1;
                }
                continue;
            }
            char buffer[65536];
            ssize_t r = read(fds[i].fd, buffer, sizeof buffer);
            std::string& sink = fds[i].fd == outFd_ ? result.out : result.err;
            if (r > 0) {
                sink.append(buffer, size_t(r));
            } else if (r == 0 || errno != EINTR) {
                int& fd = fds[i].fd == outFd_ ? outFd_ : errFd_;
                close(fd);
                fd = -1;
            }
        }
    }
    if (inFd_ >= 0) {
        close(inFd_);
        inFd_ = -1;
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

ProcessResult ProcessRunner::run(std::vector<std::string> argv, const std::string& input) {
    ProcessRunner runner(std::move(argv));
    runner.start(input);
    return runner.wait();
}

} // namespace tavro::test
