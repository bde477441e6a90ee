#pragma once

#include "platform/StoreChangeNotifier.h"
#include "store/CaptureStore.h"
#include "sync/EventStream.h"
#include "sync/HttpTransport.h"
#include "sync/PushBatch.h"
#include "sync/ScreenshotBlobs.h"
#include "sync/SecretStore.h"
#include "sync/SyncClient.h"
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
#include <stdexcept>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace tavro {

// The user cancelled the sign-in, signed out or quit while it waited for approval.
class SignInCancelled : public std::runtime_error {
public:
    SignInCancelled()
        : std::runtime_error("The sign-in was cancelled.") {}
};

struct SyncEngineConfig {
    // The library's database file; the engine opens a connection of its own to it.
    std::filesystem::path database = TavroPaths::databasePath();
    std::string baseURL;
    std::string deviceName;
    std::optional<std::string> appVersion;
    std::shared_ptr<SecretStore> secrets = keyringSecretStore();
    std::shared_ptr<HttpTransport> transport = makeCurlTransport();
    std::shared_ptr<StoreChangeNotifier> notifier = defaultStoreChangeNotifier();
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

    static constexpr const char* builtInBaseURL = "https://api.tavro.dev";
    // "TAVRO_API_URL" when it is set and not blank, else the built-in origin.
    static std::string defaultBaseURL();

    // Reads the session token and the last sync time; the status is idle with that time when a
    // token is stored, else signed out. Throws when the library cannot be opened.
    explicit SyncEngine(SyncEngineConfig config);
    // Ends the sign-in's polling and the event stream, drops a pass in flight, and lets the
    // worker finish what is queued.
    ~SyncEngine();
    SyncEngine(const SyncEngine&) = delete;
    SyncEngine& operator=(const SyncEngine&) = delete;

    const std::string& baseURL() const { return client_.baseURL(); }
    SyncStatus status() const;
    std::optional<Seconds> lastSync() const;
    bool isSignedIn() const { return client_.token().has_value(); }

    // Replaces the handler and calls it at once with the current status; from then on it is
    // called on the worker with every change, and must not block.
    void onStatus(StatusHandler handler);

    // The loop (a pass at once, then one after each pass) and the event stream; nothing
    // without a token, or when already started.
    void start();
    // Ends the loop, the pending debounced pass and the event stream; a pass in flight is
    // dropped before it writes anything more.
    void stop();
    // A pass shortly after the last of a burst of changes.
    void noteLocalChange();
    // Runs a pass and returns when it (and any repeat) finished; during a pass, asks that pass
    // to run once more and returns at once.
    void syncNow();

    // Sign-in with a device code: the code to show, then the wait for the user's approval.
    DeviceCode beginSignIn();
    // Polls on a thread of its own; the future gives the account once the token is stored, the
    // account recorded and the engine started, or the SignInError, SyncError or
    // SignInCancelled that ended it. A failure after the token arrived forgets the token again.
    // A new sign-in cancels an earlier one still waiting.
    std::future<AccountInfo> completeSignIn(DeviceCode code);
    void cancelSignIn();
    // Tells the service, forgets the token and the account's data; captures the service never
    // had stay as local ones.
    void signOut();
    void setDefaultWorkspace(const std::optional<std::string>& workspaceID);
    // Moves local captures (all of them when no ids are given) into the workspace, then syncs.
    void adoptLocalCaptures(const std::string& workspaceID,
                            const std::optional<std::vector<std::string>>& ids = std::nullopt);

private:
    // A reply that arrived after sign-out or stop: the pass ends without writing it.
    struct Abandoned {};

    void handleDeadline(SyncExecutor::Deadline deadline);
    void publish(const SyncStatus& status);
    void requestPass();
    void runPasses();
    void runOnce(std::stop_token session);
    void failPass(std::exception_ptr error);
    void startOnWorker();
    void stopOnWorker();
    std::stop_token sessionToken() const;
    void endSession();
    static void ensureCurrent(std::stop_token session);

    AccountInfo finishSignIn(const std::string& token);
    void activate(const AccountInfo& info);
    void registerDevice(std::stop_token session);
    void refreshAccount(std::stop_token session);
    // One push-and-pull request and its reply; true when another should follow at once.
    bool cycle(std::stop_token session);
    // Applies the server's verdict on one pushed row; true when the row is to be pushed again.
    bool handleResult(const nlohmann::json& result, const PushedRows& pushed);
    void reconcileIfDue(std::stop_token session);
    void onChangeEvent();

    const SyncEngineConfig config_;
    CaptureStore store_;
    SyncClient client_;
    ScreenshotBlobs blobs_;

    mutable std::mutex stateMutex_; // status_, lastSync_ and session_, read from any thread
    SyncStatus status_;
    std::optional<Seconds> lastSync_;
    std::stop_source session_;

    // Worker-only state.
    StatusHandler statusHandler_;
    bool running_ = false;
    std::optional<Seconds> lastAccountRefresh_;
    std::vector<std::string> fullGroupsQueue_; // groups whose whole contents are to be pulled
    std::map<std::string, int> rejections_;    // retryable rejections per row id, in a row
    bool workspaceResetDone_ = false;          // this pass already restarted the pull

    std::atomic<bool> closing_{false}; // the destructor runs: queued passes are skipped
    std::atomic<bool> passWanted_{false};
    std::atomic<bool> syncing_{false};

    std::mutex signInMutex_;
    std::jthread signIn_;
    std::mutex eventsMutex_;
    std::unique_ptr<EventStream> events_;

    SyncExecutor executor_; // last: the worker ends before the state it uses goes
};

} // namespace tavro
