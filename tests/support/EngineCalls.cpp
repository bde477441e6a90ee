#include "EngineCalls.h"

#include <memory>

namespace tavro::test {

namespace {

// Runs the form of a call that ends with a completion and waits for it, rethrowing its error.
template <class Start> void waitFor(Start&& start) {
    std::promise<void> finished;
    start([&](std::exception_ptr error) {
        if (error)
            finished.set_exception(error);
        else
            finished.set_value();
    });
    finished.get_future().get();
}

} // namespace

void onStatus(SyncEngine& engine, SyncEngine::StatusHandler handler) {
    auto heard = std::make_shared<std::promise<void>>();
    auto first = heard->get_future();
    // The handler runs on the worker only, so `heard` needs no lock.
    engine.setStatusHandler(
        [handler = std::move(handler), heard](const SyncStatus& status) mutable {
            if (handler)
                handler(status);
            if (heard) {
                heard->set_value();
                heard.reset();
            }
        });
    first.wait();
}

void syncNow(SyncEngine& engine) {
    std::promise<void> finished;
    engine.syncNow([&](std::exception_ptr) { finished.set_value(); });
    finished.get_future().wait();
}

DeviceCode beginSignIn(SyncEngine& engine) {
    std::promise<DeviceCode> started;
    engine.beginSignIn([&](std::optional<DeviceCode> code, std::exception_ptr error) {
        if (error)
            started.set_exception(error);
        else
            started.set_value(std::move(*code));
    });
    return started.get_future().get();
}

std::future<AccountInfo> completeSignIn(SyncEngine& engine, DeviceCode code) {
    auto promise = std::make_shared<std::promise<AccountInfo>>();
    auto future = promise->get_future();
    engine.completeSignIn(std::move(code),
                          [promise](std::optional<AccountInfo> info, std::exception_ptr error) {
                              if (error)
                                  promise->set_exception(error);
                              else
                                  promise->set_value(std::move(*info));
                          });
    return future;
}

void signOut(SyncEngine& engine) {
    waitFor([&](SyncEngine::Completion done) { engine.signOut(std::move(done)); });
}

void setDefaultWorkspace(SyncEngine& engine, const std::optional<std::string>& workspaceID) {
    waitFor([&](SyncEngine::Completion done) {
        engine.setDefaultWorkspace(workspaceID, std::move(done));
    });
}

void adoptLocalCaptures(SyncEngine& engine, const std::string& workspaceID,
                        const std::optional<std::vector<std::string>>& ids) {
    waitFor([&](SyncEngine::Completion done) {
        engine.adoptLocalCaptures(workspaceID, ids, std::move(done));
    });
}

} // namespace tavro::test
