#include "sync/SyncEngine.h"

#include "model/Uuid.h"
#include "sync/RetryBackoff.h"

#include <condition_variable>

namespace tavro {

namespace {

// The device platform sent at registration.
constexpr const char* devicePlatform = "linux";

} // namespace

DeviceCode SyncEngine::beginSignIn() {
    return executor_.call([this] { return client_.requestDeviceCode(sessionToken()); });
}

std::future<AccountInfo> SyncEngine::completeSignIn(DeviceCode code) {
    auto promise = std::make_shared<std::promise<AccountInfo>>();
    auto future = promise->get_future();
    std::lock_guard lock(signInMutex_);
    if (signIn_.joinable()) {
        signIn_.request_stop();
        signIn_.join();
    }
    signIn_ = std::jthread([this, code = std::move(code), promise](std::stop_token stop) {
        try {
            std::mutex mutex;
            std::condition_variable_any wake;
            double interval = code.interval;
            std::string token;
            while (token.empty()) {
                if (config_.timings.clock() >= code.expiresAt)
                    throw SignInError(SignInError::Code::expired);
                std::unique_lock sleeping(mutex);
                if (wake.wait_for(sleeping, stop, RetryBackoff::pollWait(interval, config_.timings),
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
            promise->set_value(executor_.call([&] { return finishSignIn(token); }));
        } catch (...) {
            if (stop.stop_requested())
                promise->set_exception(std::make_exception_ptr(SignInCancelled()));
            else
                promise->set_exception(std::current_exception());
        }
    });
    return future;
}

void SyncEngine::cancelSignIn() {
    std::lock_guard lock(signInMutex_);
    signIn_.request_stop();
}

AccountInfo SyncEngine::finishSignIn(const std::string& token) {
    client_.setToken(token);
    config_.secrets->write(token, SecretStore::sessionAccount);
    try {
        auto info = client_.me(sessionToken());
        activate(info);
        startOnWorker();
        return info;
    } catch (...) {
        // Signed out in the app means no token anywhere: the next start must not find one.
        client_.setToken(std::nullopt);
        config_.secrets->remove(SecretStore::sessionAccount);
        throw;
    }
}

void SyncEngine::activate(const AccountInfo& info) {
    store_.setSyncMeta("user_id", info.user.id);
    store_.setSyncMeta("user_name", info.user.name);
    store_.setSyncMeta("user_email", info.user.email);
    if (!store_.syncMeta("device_id"))
        store_.setSyncMeta("device_id", makeUUID());
    store_.upsertPerson(info.user);
    store_.replaceWorkspaces(info.workspaces);
    if (!store_.syncMeta("default_workspace_id") && !info.workspaces.empty())
        store_.setSyncMeta("default_workspace_id", info.workspaces.front().id);
    lastAccountRefresh_ = config_.timings.clock();
    publish({.kind = SyncStatus::Kind::idle, .lastSync = lastSync()});
    executor_.post([this, session = sessionToken()] { registerDevice(session); });
}

void SyncEngine::registerDevice(std::stop_token session) {
    if (closing_)
        return;
    try {
        if (auto id = store_.syncMeta("device_id"))
            client_.registerDevice(*id, config_.deviceName, devicePlatform, config_.appVersion,
                                   session);
    } catch (const std::exception&) {
        // The service learns of the device at the next sign-in.
    }
}

void SyncEngine::signOut() {
    cancelSignIn();
    endSession();
    executor_.call([this] {
        stopOnWorker();
        client_.signOut(sessionToken());
        client_.setToken(std::nullopt);
        config_.secrets->remove(SecretStore::sessionAccount);
        try {
            store_.purgeAccountData();
        } catch (const std::exception&) {
        }
        {
            std::lock_guard lock(stateMutex_);
            lastSync_.reset();
        }
        publish({.kind = SyncStatus::Kind::signedOut});
    });
}

void SyncEngine::setDefaultWorkspace(const std::optional<std::string>& workspaceID) {
    executor_.call([&] {
        try {
            store_.setSyncMeta("default_workspace_id", workspaceID);
        } catch (const std::exception&) {
        }
    });
}

void SyncEngine::adoptLocalCaptures(const std::string& workspaceID,
                                    const std::optional<std::vector<std::string>>& ids) {
    executor_.call([&] {
        std::vector<std::string> chosen;
        if (ids) {
            chosen = *ids;
        } else {
            try {
                for (const auto& capture : store_.localCaptures())
                    chosen.push_back(capture.id);
            } catch (const std::exception&) {
            }
        }
        for (const auto& id : chosen) {
            try {
                store_.adopt(id, workspaceID);
            } catch (const std::exception&) {
                // One capture that cannot move does not keep the others here.
            }
        }
        requestPass();
    });
}

} // namespace tavro
