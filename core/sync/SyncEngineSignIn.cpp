#include "sync/SyncEngine.h"

#include "model/Uuid.h"

namespace tavro {

namespace {

// The device platform sent at registration.
constexpr const char* devicePlatform = "linux";

} // namespace

void SyncEngine::beginSignIn(
    std::function<void(std::optional<DeviceCode>, std::exception_ptr)> done) {
    executor_.post([this, done = std::move(done)] {
        std::optional<DeviceCode> code;
        std::exception_ptr error;
        try {
            code = client_.requestDeviceCode(sessionToken());
        } catch (...) {
            error = std::current_exception();
        }
        done(std::move(code), error);
    });
}

void SyncEngine::completeSignIn(DeviceCode code, SignedIn done) {
    signIn_.wait(
        std::move(code),
        [this, done](const std::string& token) {
            // Told in the same task that publishes the new status, so the two arrive together.
            executor_.call([&] { done(finishSignIn(token), nullptr); });
        },
        [done](std::exception_ptr error) { done(std::nullopt, error); });
}

void SyncEngine::cancelSignIn() {
    signIn_.cancel();
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
    ledger_.upsertPerson(info.user);
    ledger_.replaceWorkspaces(info.workspaces);
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

namespace {

std::string reasonOf(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unexpected error.";
    }
}

} // namespace

void SyncEngine::signOut(Completion done) {
    // The session ends here, on the caller's thread: a pass in flight has its requests stopped
    // now and drops whatever still comes back, so it never holds up what follows.
    cancelSignIn();
    endSession();
    callWithCompletion([this] { signOutOnWorker(); }, std::move(done));
}

void SyncEngine::signOutOnWorker() {
    stopOnWorker();
    try {
        // The user waits on this answer: one wait for another program's lock, not the retries
        // ordinary writes make.
        const Database::BusyLimit once(store_.db(), Database::briefLockWait);
        ledger_.purgeAccountData();
    } catch (...) {
        // Nothing was forgotten: the token stays, so signing out again can finish the job.
        const std::string description = "Couldn't sign out: " + reasonOf(std::current_exception());
        // Logged before the report, so that whoever reads the log on hearing it finds the line.
        logWithoutWaiting("error", description);
        publish({.kind = SyncStatus::Kind::failed, .message = description});
        throw;
    }
    client_.signOut(sessionToken());
    client_.setToken(std::nullopt);
    config_.secrets->remove(SecretStore::sessionAccount);
    {
        std::lock_guard lock(stateMutex_);
        lastSync_.reset();
    }
    publish({.kind = SyncStatus::Kind::signedOut});
}

void SyncEngine::setDefaultWorkspace(const std::optional<std::string>& workspaceID,
                                     Completion done) {
    callWithCompletion(
        [this, workspaceID] {
            try {
                store_.setSyncMeta("default_workspace_id", workspaceID);
            } catch (const std::exception& error) {
                ledger_.log("error",
                            std::string("Couldn't change the default workspace: ") + error.what());
                throw;
            }
        },
        std::move(done));
}

void SyncEngine::adoptLocalCaptures(const std::string& workspaceID,
                                    const std::optional<std::vector<std::string>>& ids,
                                    Completion done) {
    callWithCompletion(
        [this, workspaceID, ids] {
            std::vector<std::string> chosen;
            if (ids) {
                chosen = *ids;
            } else {
                try {
                    for (const auto& capture : store_.localCaptures())
                        chosen.push_back(capture.id);
                } catch (const std::exception& error) {
                    ledger_.log("error",
                                std::string("Couldn't list the local captures: ") + error.what());
                    throw;
                }
            }
            size_t unmoved = 0;
            std::string reason;
            for (const auto& id : chosen) {
                try {
                    store_.adopt(id, workspaceID);
                } catch (const std::exception& error) {
                    // One capture that cannot move does not keep the others here.
                    ++unmoved;
                    reason = error.what();
                }
            }
            if (unmoved > 0)
                ledger_.log("warn", "Couldn't move " + std::to_string(unmoved) +
                                        " captures into the workspace: " + reason);
            scheduler_.request();
        },
        std::move(done));
}

} // namespace tavro
