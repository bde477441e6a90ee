#include "sync/SignInFlow.h"

#include "sync/RetryBackoff.h"

#include <condition_variable>

namespace tavro {

SignInFlow::SignInFlow(SyncClient& client, const SyncTimings& timings)
    : client_(client)
    , timings_(timings) {}

SignInFlow::~SignInFlow() {
    join();
}

void SignInFlow::wait(DeviceCode code, Approved approved, Failed failed) {
    std::lock_guard lock(mutex_);
    if (polling_.joinable()) {
        polling_.request_stop();
        polling_.join();
    }
    polling_ = std::jthread([this, code = std::move(code), approved = std::move(approved),
                             failed = std::move(failed)](std::stop_token stop) {
        try {
            std::mutex mutex;
            std::condition_variable_any wake;
            double interval = code.interval;
            std::string token;
            while (token.empty()) {
                if (timings_.clock() >= code.expiresAt)
                    throw SignInError(SignInError::Code::expired);
                std::unique_lock sleeping(mutex);
                if (wake.wait_for(sleeping, stop, RetryBackoff::pollWait(interval, timings_),
                                  [] { return false; }) ||
                    stop.stop_requested())
                    throw SignInCancelled();
                sleeping.unlock();
                const auto poll = client_.pollDeviceToken(code, stop);
                const auto step = RetryBackoff::afterPoll(poll, interval);
                interval = step.interval;
                switch (step.action) {
                case RetryBackoff::PollStep::Action::poll:
                    break;
                case RetryBackoff::PollStep::Action::signedIn:
                    token = poll.token;
                    break;
                case RetryBackoff::PollStep::Action::denied:
                    throw SignInError(SignInError::Code::denied);
                case RetryBackoff::PollStep::Action::expired:
                    throw SignInError(SignInError::Code::expired);
                }
            }
            if (stop.stop_requested())
                throw SignInCancelled();
            approved(token);
        } catch (...) {
            if (stop.stop_requested())
                failed(std::make_exception_ptr(SignInCancelled()));
            else
                failed(std::current_exception());
        }
    });
}

void SignInFlow::cancel() {
    std::lock_guard lock(mutex_);
    polling_.request_stop();
}

void SignInFlow::join() {
    std::lock_guard lock(mutex_);
    polling_.request_stop();
    if (polling_.joinable())
        polling_.join();
}

} // namespace tavro
