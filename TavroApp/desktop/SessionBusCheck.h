#pragma once

#include <chrono>
#include <memory>

namespace tavro {

// A session bus that accepts connections and never answers holds every blocking D-Bus call
// (Qt's tray and accessibility set-up, the store listener, the keyring) for as long as it stays
// silent. The check lets a client of its own in and waits for the bus's hello on a thread of
// its own, from construction on, so that the rest of start-up runs meanwhile.
class SessionBusCheck {
public:
    explicit SessionBusCheck(std::chrono::milliseconds patience);
    ~SessionBusCheck();
    SessionBusCheck(const SessionBusCheck&) = delete;
    SessionBusCheck& operator=(const SessionBusCheck&) = delete;

    // Waits for the answer until the patience, counted from construction, runs out. When the
    // bus has not answered, the process stops using it: the variable is set to "disabled:", on
    // which every client library fails at once, and store changes come from the poll. True when
    // the bus was given up. Call it before anything opens the bus.
    bool giveUpIfSilent();

private:
    struct Attempt;
    std::shared_ptr<Attempt> attempt_;
    std::chrono::steady_clock::time_point deadline_;
};

} // namespace tavro
