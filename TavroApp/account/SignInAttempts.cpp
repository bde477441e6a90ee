#include "account/SignInAttempts.h"

namespace tavro {

SignInAttempts::Attempt SignInAttempts::start() {
    ++current_;
    running_ = true;
    error_.reset();
    code_.reset();
    return current_;
}

void SignInAttempts::cancel() {
    ++current_;
    running_ = false;
    code_.reset();
}

bool SignInAttempts::codeArrived(Attempt attempt, const DeviceCode& code) {
    if (!isCurrent(attempt))
        return false;
    code_ = code;
    return true;
}

bool SignInAttempts::ended(Attempt attempt, const Outcome& outcome) {
    if (!isCurrent(attempt))
        return false;
    running_ = false;
    if (outcome.kind == Outcome::Kind::failed)
        error_ = outcome.error;
    code_.reset();
    return true;
}

} // namespace tavro
