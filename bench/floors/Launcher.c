/* Runs a program and reports what it cost, measured from a process small enough not to lend the
 * child its own memory: a child spawned straight from a large benchmark process starts out
 * counting the parent's resident pages as its peak.
 * Usage: tavro-bench-launch <program> [args...]; writes "<seconds> <peak KiB> <page faults>" to
 * file descriptor 3 and exits with the program's status. */
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid == 0) {
        close(3);
        execv(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {0};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return 1;
    clock_gettime(CLOCK_MONOTONIC, &end);
    const double seconds =
        (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) / 1e9;
    dprintf(3, "%.6f %ld %ld\n", seconds, usage.ru_maxrss, usage.ru_minflt + usage.ru_majflt);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
