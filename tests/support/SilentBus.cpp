#include "SilentBus.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tavro::test {

namespace {

std::string socketPath(const TempFolder& folder) {
    return (folder.path() / "bus").string();
}

} // namespace

MuteBus::MuteBus() {
    listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = socketPath(folder_);
    if (listener_ < 0 || path.size() >= sizeof address.sun_path)
        throw std::runtime_error("no socket for the mute bus");
    path.copy(address.sun_path, path.size());
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0 || pipe2(stop_, O_CLOEXEC) != 0)
        throw std::runtime_error("the mute bus cannot listen");
    acceptor_ = std::thread([this] {
        std::vector<int> accepted;
        for (;;) {
            pollfd fds[2] = {{listener_, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (poll(fds, 2, -1) < 0)
                continue;
            if (fds[1].revents)
                break;
            if (int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC); client >= 0)
                accepted.push_back(client);
        }
        for (int client : accepted)
            close(client);
    });
}

MuteBus::~MuteBus() {
    if (stop_[1] >= 0) {
        [[maybe_unused]] auto written = write(stop_[1], "x", 1);
    }
    if (acceptor_.joinable())
        acceptor_.join();
    for (int fd : {listener_, stop_[0], stop_[1]})
        if (fd >= 0)
            close(fd);
}

std::string MuteBus::address() const {
    return "unix:path=" + socketPath(folder_);
}

namespace {

// Starts dbus-daemon with `config` (an option such as "--session") on the folder's socket and
// waits until it listens; gives its process id.
int launchBus(const TempFolder& folder, const std::string& config) {
    const std::string path = socketPath(folder);
    const std::string listen = "--address=unix:path=" + path;
    const int pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        execl(TAVRO_DBUS_DAEMON, TAVRO_DBUS_DAEMON, config.c_str(), "--nofork", "--nopidfile",
              listen.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::error_code error;
    while (!std::filesystem::exists(path, error)) {
        if (std::chrono::steady_clock::now() > deadline || waitpid(pid, nullptr, WNOHANG) != 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            throw std::runtime_error("dbus-daemon did not come up");
        }
        usleep(10000);
    }
    return pid;
}

void endBus(int pid) {
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

} // namespace

StoppedBus::StoppedBus() {
    pid_ = launchBus(folder_, "--session");
    kill(pid_, SIGSTOP);
}

StoppedBus::~StoppedBus() {
    endBus(pid_);
}

std::string StoppedBus::address() const {
    return "unix:path=" + socketPath(folder_);
}

EmptyBus::EmptyBus() {
    // A session bus without service folders, so nothing can be started on demand either.
    const auto config = folder_.path() / "bus.conf";
    std::ofstream(config) << R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:path=)" << socketPath(folder_)
                          << R"(</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";
    pid_ = launchBus(folder_, "--config-file=" + config.string());
}

EmptyBus::~EmptyBus() {
    endBus(pid_);
}

std::string EmptyBus::address() const {
    return "unix:path=" + socketPath(folder_);
}

} // namespace tavro::test
