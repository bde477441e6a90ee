#pragma once

#include "sync/SyncRecords.h"

#include <cstdint>
#include <optional>
#include <string>

namespace tavro {

// The account's device-code sign-in as the user sees it: the code waiting for approval, the
// last failure's text, and whether an attempt runs. Each start or cancel begins a new
// generation; what an older attempt reports later (its code, its failure, its clean-up after
// being cancelled) changes nothing, so a sign-in started again keeps its own code.
class SignInAttempts {
public:
    using Attempt = std::uint64_t;

    struct Outcome {
        enum class Kind { signedIn, cancelled, failed };
        Kind kind = Kind::signedIn;
        std::string error; // failed
    };

    bool running() const { return running_; }
    const std::optional<DeviceCode>& code() const { return code_; }
    const std::optional<std::string>& error() const { return error_; }

    // A new attempt replaces any running one: the error and the code are cleared at once.
    Attempt start();
    // Returns to idle: the code goes, the error stays; the running attempt is no longer current.
    void cancel();
    // Each returns whether it changed what is shown: only the current attempt's reports do.
    bool codeArrived(Attempt attempt, const DeviceCode& code);
    bool ended(Attempt attempt, const Outcome& outcome);
    bool isCurrent(Attempt attempt) const { return running_ && attempt == current_; }

private:
    Attempt current_ = 0;
    bool running_ = false;
    std::optional<DeviceCode> code_;
    std::optional<std::string> error_;
};

} // namespace tavro
