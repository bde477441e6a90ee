#pragma once

#include "ledger/SyncLedger.h"
#include "platform/StoreChangeNotifier.h"
#include "store/CaptureStore.h"
#include "sync/EventStream.h"
#include "sync/HttpTransport.h"
#include "sync/PassScheduler.h"
#include "sync/PullReadAhead.h"
#include "sync/PushBatch.h"
#include "sync/ScreenshotBlobs.h"
#include "sync/SecretStore.h"
#include "sync/SignInFlow.h"
#include "sync/SyncClient.h"
#include "sync/SyncExchanger.h"
#include "sync/SyncExecutor.h"
#include "sync/SyncRecords.h"
#include "sync/SyncStatus.h"
#include "sync/SyncTimings.h"

#include <atomic>
#include <filesystem>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace tavro {

struct SyncEngineConfig {
    // The library's database file; the engine opens a connection of its own to it.
    std::filesystem::path database = TavroPaths::databasePath();
    std::string baseURL;
    std::string deviceName;
    std::optional<std::string> appVersion;
    std::shared_ptr<SecretStore> secrets = keyringSecretStore();
    std::shared_ptr<HttpTransport> transport = makeCurlTransport();
    std::shared_ptr<StoreChangeNotifier> notifier = defaultStoreChangeNotifier();
    // Called on the worker after the engine's writes commit, beside the notifier's post: how
    // the app in the same process hears of them without a session bus. Must not block.
    std::function<void()> onApplied;
    SyncTimings timings;
    SyncLimits limits;
};

// Keeps the library in step with the web service. Its state lives on one worker thread of its
// own, where passes, account and store work and their blocking HTTP requests run one at a time;
// the sign-in's polling and the event stream run on threads of their own and stop promptly.
// The engine has its own store over the library file, so the app's thread never waits on its
// transactions. Every public call may come from any thread but the status handler's.
class SyncEngine {
public:
    using StatusHandler = std::function<void(const SyncStatus&)>;
    // How a call that returns at once ends: with nothing, or the error that ended it. Called
    // on the worker (or on the caller's thread when the engine is closing); must not block.
    using Completion = std::function<void(std::exception_ptr)>;

    static constexpr const char* builtInBaseURL = "https://api.tavro.dev";
    // "TAVRO_API_URL" when it is set and not blank, else the built-in origin.
    static std::string defaultBaseURL();

    // Reads the last sync time, and the session token as the worker's first task, so a keyring
    // that does not answer holds up no caller; the status is idle with that time when a token
    // is stored, else signed out. Throws when the library cannot be opened.
    explicit SyncEngine(SyncEngineConfig config);
    // Ends the sign-in's polling and the event stream, drops a pass in flight, and lets the
    // worker finish what is queued.
    ~SyncEngine();
    SyncEngine(const SyncEngine&) = delete;
    SyncEngine& operator=(const SyncEngine&) = delete;

    const std::string& baseURL() const { return client_.baseURL(); }
    // These three wait for the token to be read.
    SyncStatus status() const;
    std::optional<Seconds> lastSync() const;
    bool isSignedIn() const;

    // Replaces the handler, returning at once; the handler hears the current status first, then
    // every change, on the worker, and must not block.
    void setStatusHandler(StatusHandler handler);

    // The loop (a pass at once, then one after each pass) and the event stream; nothing
    // without a token, or when already started.
    void start();
    // Ends the loop, the pending debounced pass and the event stream; a pass in flight is
    // dropped before it writes anything more.
    void stop();
    // A pass shortly after the last of a burst of changes; during a pass, that pass runs once
    // more as soon as it ends.
    void noteLocalChange();
    // Requests a pass; `done` follows when it (and any repeat) finished. During a pass, asks
    // that pass to run once more and completes at once.
    void syncNow(Completion done);

    // Sign-in with a device code: the code to show, then the wait for the user's approval.
    void beginSignIn(std::function<void(std::optional<DeviceCode>, std::exception_ptr)> done);
    // Polls on a thread of its own; `done` gets the account once the token is stored, the
    // account recorded and the engine started, or the SignInError, SyncError or
    // SignInCancelled that ended it, on the polling thread or the worker. A failure after the
    // token arrived forgets the token again. A new sign-in cancels an earlier one still waiting.
    using SignedIn = std::function<void(std::optional<AccountInfo>, std::exception_ptr)>;
    void completeSignIn(DeviceCode code, SignedIn done);
    void cancelSignIn();
    // Ends the session at once: a pass in flight has its requests stopped and writes nothing
    // more. Then forgets the account's data in one transaction (captures the service never had
    // stay as local ones), tells the service and forgets the token. When the library cannot be
    // changed, nothing is forgotten, the token stays (so sign-out can be tried again), the
    // status is failed with the reason and `done` gets the error, within one busy wait for a
    // lock another program holds; the sync log gets the reason once the lock is free.
    void signOut(Completion done);
    // `done` gets the error of a write that failed, which is also logged.
    void setDefaultWorkspace(const std::optional<std::string>& workspaceID, Completion done);
    // Moves local captures (all of them when no ids are given) into the workspace, then syncs.
    // A capture that cannot move is logged and leaves the others to go on.
    void adoptLocalCaptures(const std::string& workspaceID,
                            const std::optional<std::vector<std::string>>& ids, Completion done);

private:
    using Abandoned = SyncExchanger::Abandoned;

    void handleDeadline(SyncExecutor::Deadline deadline);
    void publish(const SyncStatus& status);
    void runOnce(std::stop_token session);
    void failPass(std::exception_ptr error);
    void startOnWorker();
    void stopOnWorker();
    // Runs `work` on the worker, then `done` with what it threw.
    void callWithCompletion(std::function<void()> work, Completion done);
    void signOutOnWorker();
    // Writes the line to the sync log without waiting for another program's lock; while that
    // lock is held, the line waits here and is written once it is free, before any later one.
    void logWithoutWaiting(std::string level, std::string message);
    void writeHeldLog();
    std::stop_token sessionToken() const;
    void endSession();
    static void ensureCurrent(std::stop_token session);

    AccountInfo finishSignIn(const std::string& token);
    void activate(const AccountInfo& info);
    void registerDevice(std::stop_token session);
    void refreshAccount(std::stop_token session);
    void reconcileIfDue(std::stop_token session);

    const SyncEngineConfig config_;
    CaptureStore store_;
    SyncLedger ledger_;
    SyncClient client_;
    ScreenshotBlobs blobs_;

    std::shared_future<void> tokenRead_;
    mutable std::mutex stateMutex_; // status_, lastSync_ and session_, read from any thread
    SyncStatus status_;
    std::optional<Seconds> lastSync_;
    std::stop_source session_;

    // Worker-only state.
    StatusHandler statusHandler_;
    std::optional<Seconds> lastAccountRefresh_;
    std::vector<CaptureStore::SyncLogLine> heldLog_; // kept out of the log by a held lock

    std::atomic<bool> closing_{false}; // the destructor runs: queued passes are skipped

    SignInFlow signIn_{client_, config_.timings};
    std::mutex eventsMutex_;
    std::unique_ptr<EventStream> events_;
    SyncExchanger exchange_{store_, ledger_, client_, blobs_, [this](std::stop_token session) {
                                refreshAccount(session);
                            }};

    PassScheduler scheduler_{executor_,
                             config_.timings,
                             {.mayRun = [this] { return client_.token() && !closing_; },
                              .signedIn = [this] { return client_.token().has_value(); },
                              .runPass =
                                  [this] {
                                      runOnce(sessionToken());
                                  }}};

    SyncExecutor executor_; // last: the worker ends before the state it uses goes
};

} // namespace tavro
