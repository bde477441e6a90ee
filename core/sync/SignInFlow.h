#pragma once

#include "sync/SyncClient.h"
#include "sync/SyncTimings.h"

#include <exception>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace tavro {

// The user cancelled the sign-in, signed out or quit while it waited for approval.
class SignInCancelled : public std::runtime_error {
public:
    SignInCancelled()
        : std::runtime_error("The sign-in was cancelled.") {}
};

// The wait for the user's approval of a device code, polling the service on a thread of its
// own. One wait at a time: a new one cancels an earlier one still waiting.
class SignInFlow {
public:
    // Turns the approved token into a session; what it throws ends the sign-in.
    using Approved = std::function<void(const std::string& token)>;
    using Failed = std::function<void(std::exception_ptr)>;

    SignInFlow(SyncClient& client, const SyncTimings& timings);
    ~SignInFlow();
    SignInFlow(const SignInFlow&) = delete;
    SignInFlow& operator=(const SignInFlow&) = delete;

    // Polls until the token arrives, then calls `approved` on the polling thread; the code's
    // expiry, a denial, a cancel or what `approved` throws go to `failed` instead.
    void wait(DeviceCode code, Approved approved, Failed failed);
    void cancel();
    // Cancels and waits for the polling thread to end.
    void join();

private:
    SyncClient& client_;
    const SyncTimings& timings_;
    std::mutex mutex_;
    std::jthread polling_;
};

} // namespace tavro
