#include "SpawnedProcess.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tavro::bench {

ProcessRun runProcess(const std::vector<std::string>& argv, const std::string& input) {
    ProcessRun run;
    int in[2], out[2], report[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(report, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, report[1], 3);
    std::vector<char*> args{const_cast<char*>(TAVRO_BENCH_LAUNCH)};
    for (const auto& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, TAVRO_BENCH_LAUNCH, &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    close(report[1]);
    if (spawned != 0) {
        close(in[1]);
        close(out[0]);
        close(report[0]);
        return run;
    }
    // Written and read in turn, so that neither side blocks on a full pipe.
    size_t written = 0;
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    bool inputOpen = true;
    char buffer[1 << 16];
    for (;;) {
        if (inputOpen && written == input.size()) {
            close(in[1]);
            inputOpen = false;
        }
        pollfd fds[2] = {{out[0], POLLIN, 0}, {inputOpen ? in[1] : -1, POLLOUT, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & (POLLOUT | POLLERR | POLLHUP)) {
            const ssize_t n = write(in[1], input.data() + written, input.size() - written);
            if (n > 0)
                written += size_t(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                written = input.size();
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = read(out[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            run.output.append(buffer, size_t(n));
        }
    }
    if (inputOpen)
        close(in[1]);
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    std::string figures;
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;)
        figures.append(buffer, size_t(n));
    close(report[0]);
    long peakKiB = 0;
    if (std::sscanf(figures.c_str(), "%lf %ld %ld", &run.seconds, &peakKiB, &run.pageFaults) != 3)
        return run;
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakMiB = double(peakKiB) / 1024.0;
    return run;
}

} // namespace tavro::bench
