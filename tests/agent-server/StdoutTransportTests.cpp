#include "StandardErrorCapture.h"
#include "StdoutTransport.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tavro;
using namespace tavro::test;

namespace {

struct Pipe {
    int read = -1, write = -1;
    Pipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC))
            throw std::runtime_error("pipe failed");
        read = fds[0];
        write = fds[1];
    }
    ~Pipe() {
        if (read >= 0)
            close(read);
        if (write >= 0)
            close(write);
    }
    std::string drain() {
        close(write);
        write = -1;
        std::string out;
        char buffer[65536];
        ssize_t n;
        while ((n = ::read(read, buffer, sizeof buffer)) > 0)
            out.append(buffer, size_t(n));
        return out;
    }
};

} // namespace

TEST(StdoutTransport, WritesEachMessageWholeAsOneLine) {
    Pipe pipe;
    StdoutTransport transport(pipe.write);
    // Bigger than a pipe's buffer, so the write is only complete if short writes are resumed.
    std::string big(1 << 20, 'x');
    std::string out;
    std::thread reader([&] {
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(pipe.read, buffer, sizeof buffer)) > 0)
            out.append(buffer, size_t(n));
    });
    transport.send(JSON{{"b", big}, {"a", 1}});
    transport.send(JSON{{"id", nullptr}});
    close(pipe.write);
    pipe.write = -1;
    reader.join();
    EXPECT_EQ(out, "{\"a\":1,\"b\":\"" + big + "\"}\n{\"id\":null}\n");
}

TEST(StdoutTransport, ANonBlockingOutputThatFillsUpIsWaitedFor) {
    Pipe pipe;
    ASSERT_EQ(fcntl(pipe.write, F_SETFL, fcntl(pipe.write, F_GETFL) | O_NONBLOCK), 0);
    StandardErrorCapture errors;
    StdoutTransport transport(pipe.write);
    std::string big(1 << 20, 'y');
    std::string out;
    std::thread reader([&] {
        // A slow reader: the pipe is full long before it starts.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        char buffer[4096];
        ssize_t n;
        while ((n = ::read(pipe.read, buffer, sizeof buffer)) > 0)
            out.append(buffer, size_t(n));
    });
    transport.send(JSON{{"b", big}});
    transport.send(JSON{{"id", 2}});
    close(pipe.write);
    pipe.write = -1;
    reader.join();
    EXPECT_EQ(out, "{\"b\":\"" + big + "\"}\n{\"id\":2}\n");
    EXPECT_EQ(errors.text(), "");
}

TEST(StdoutTransport, AClosedReaderCostsTheReplyNotTheProcess) {
    std::signal(SIGPIPE, SIG_IGN);
    Pipe pipe;
    close(pipe.read);
    pipe.read = -1;
    StandardErrorCapture errors;
    StdoutTransport transport(pipe.write);
    transport.send(JSON{{"id", 1}});
    transport.send(JSON{{"id", 2}});
    auto text = errors.text();
    EXPECT_EQ(text.rfind("[tavro-mcp] could not write a reply, dropped: ", 0), 0u) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
}

TEST(StdoutTransport, StrayPrintsNeverReachTheProtocolStream) {
    Pipe out, err;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out.write, STDOUT_FILENO);
        dup2(err.write, STDERR_FILENO);
        int protocol = claimStandardOutput();
        std::printf("stray print\n");
        std::fflush(stdout);
        StdoutTransport(protocol).send(JSON{{"id", 1}});
        std::puts("another");
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(out.drain(), "{\"id\":1}\n");
    EXPECT_EQ(err.drain(), "stray print\nanother\n");
}

TEST(StdoutTransport, ClosedStandardStreamsNeverTakeOverTheProtocolStream) {
    Pipe out;
    pid_t pid = fork();
    if (pid == 0) {
        // The client started the server with standard input and standard error closed.
        dup2(out.write, STDOUT_FILENO);
        close(STDIN_FILENO);
        close(STDERR_FILENO);
        int protocol = claimStandardOutput();
        std::printf("stray print\n");
        std::fflush(stdout);
        // A file opened now must not land on a standard stream's number.
        int file = open("/dev/zero", O_RDONLY);
        StdoutTransport(protocol).send(JSON{{"id", 1}});
        _exit(file > STDERR_FILENO && fcntl(STDIN_FILENO, F_GETFD) >= 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(out.drain(), "{\"id\":1}\n");
}
