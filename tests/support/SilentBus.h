#pragma once

#include "TempLibrary.h"

#include <string>
#include <thread>

namespace tavro::test {

// A session bus that takes connections and never says a word: a socket that accepts and
// never replies, as a hung bus looks to its clients.
class MuteBus {
public:
    MuteBus();
    ~MuteBus();
    MuteBus(const MuteBus&) = delete;
    MuteBus& operator=(const MuteBus&) = delete;

    // For DBUS_SESSION_BUS_ADDRESS.
    std::string address() const;

private:
    TempFolder folder_;
    int listener_ = -1;
    int stop_[2] = {-1, -1};
    std::thread acceptor_;
};

// A dbus-daemon of its own, stopped (SIGSTOP) once it listens: it accepts connections in the
// kernel and answers nothing until it is killed.
class StoppedBus {
public:
    StoppedBus();
    ~StoppedBus();
    StoppedBus(const StoppedBus&) = delete;
    StoppedBus& operator=(const StoppedBus&) = delete;

    std::string address() const;

private:
    TempFolder folder_;
    int pid_ = -1;
};

// A dbus-daemon of its own that answers, with nobody on it and nothing it could start: a
// desktop session without a Secret Service.
class EmptyBus {
public:
    EmptyBus();
    ~EmptyBus();
    EmptyBus(const EmptyBus&) = delete;
    EmptyBus& operator=(const EmptyBus&) = delete;

    std::string address() const;

private:
    TempFolder folder_;
    int pid_ = -1;
};

} // namespace tavro::test
