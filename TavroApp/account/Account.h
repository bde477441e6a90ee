#pragma once

#include "account/SignInAttempts.h"
#include "model/BoardRecords.h"
#include "store/CaptureStore.h"
#include "sync/SyncEngine.h"
#include "sync/SyncStatus.h"

#include <QObject>
#include <QUrl>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

class AccountRelay;

// The app's one account and sync state, over the sync engine it owns. Every member runs on the
// GUI thread and returns at once; the engine's calls end with completions that are delivered
// here, never after the account is gone.
class Account final : public QObject {
    Q_OBJECT

public:
    // Opens a URL in the desktop's browser; true when the desktop took it.
    using URLOpener = std::function<bool(const QUrl&)>;

    static constexpr std::int64_t logLimit = 60;

    // The engine as the app runs it: the library's database, the API origin, this computer's
    // name and the app's version, with the desktop's keyring.
    static SyncEngineConfig appEngineConfig();

    // The app's account: the engine from appEngineConfig(), pages opened by the desktop.
    explicit Account(std::shared_ptr<CaptureStore> store, QObject* parent = nullptr);
    // An engine that cannot be made (its library fails to open) leaves the account signed out
    // for good; `openURL` defaults to the desktop's.
    Account(std::shared_ptr<CaptureStore> store, SyncEngineConfig config, URLOpener openURL = {},
            QObject* parent = nullptr);
    ~Account() override;
    Account(const Account&) = delete;
    Account& operator=(const Account&) = delete;

    // The engine's last reported status; statusChanged() follows every report.
    const SyncStatus& status() const { return status_; }
    // One line describing status(): the status menu's sync item and the pane's status row.
    std::string statusLine() const;
    // Signed in with a session that still works: neither signed out nor expired.
    bool isSignedIn() const;

    // What reload() read; accountChanged() follows each reload.
    const std::optional<Person>& me() const { return me_; }
    const std::vector<Workspace>& workspaces() const { return workspaces_; }
    const std::optional<std::string>& defaultWorkspaceID() const { return defaultWorkspaceID_; }
    // The workspace with the default id, when one matches.
    std::optional<Workspace> defaultWorkspace() const;
    // Live captures filed in no workspace.
    std::int64_t localCaptureCount() const { return localCaptureCount_; }
    // The newest sync log lines, newest first, at most logLimit.
    const std::vector<CaptureStore::SyncLogLine>& log() const { return log_; }

    // The sign-in: signInChanged() follows every change of these.
    // A sign-in runs: asking for a code, or waiting for approval.
    bool isSigningIn() const { return signIn_.running(); }
    // The code to approve in the browser (user code and verification URLs), while it waits.
    const std::optional<DeviceCode>& pendingCode() const { return signIn_.code(); }
    // The text of the last failed sign-in, until the next one starts.
    const std::optional<std::string>& signInError() const { return signIn_.error(); }

    // Files new captures there from now on; a different value is handed to the engine.
    void setDefaultWorkspaceID(const std::optional<std::string>& workspaceID);

    // Reads the published copy from the library again.
    void reload();
    // Starts over with a new code (a running sign-in is cancelled first) and opens the
    // approval page.
    void signIn();
    void cancelSignIn();
    // The approval page of the pending code again.
    void openApproval();
    void signOut();
    void syncNow();
    // The board changed here; the engine syncs shortly after the last of a burst. Never throws.
    void noteLocalChange();
    // Moves every local capture into the default workspace; nothing without one.
    void adoptLocalCaptures();
    // The web service's page at `path` ("/app", "/sign-up"), under TAVRO_WEB_URL when set.
    void openWeb(std::string_view path);
    void openWebApp() { openWeb("/app"); }
    void openSignUp() { openWeb("/sign-up"); }

signals:
    void statusChanged();
    void accountChanged();
    void signInChanged();
    void localChangeNoted();
    // The engine wrote rows into the library: the board reads them without waiting for the
    // session bus.
    void rowsApplied();

private:
    // A completion that reloads here once the engine's call ended.
    SyncEngine::Completion reloadAfter();
    void beginSignIn(SignInAttempts::Attempt attempt);
    void codeReady(SignInAttempts::Attempt attempt, const std::optional<DeviceCode>& code,
                   const std::optional<std::string>& error);
    void publishStatus(const SyncStatus& status);
    void codeArrived(SignInAttempts::Attempt attempt, const DeviceCode& code);
    void signInEnded(SignInAttempts::Attempt attempt, SignInAttempts::Outcome outcome);
    void openIfWeb(const std::string& text);

    std::shared_ptr<CaptureStore> store_;
    URLOpener openURL_;
    SyncStatus status_;
    std::optional<Person> me_;
    std::vector<Workspace> workspaces_;
    std::optional<std::string> defaultWorkspaceID_;
    std::int64_t localCaptureCount_ = 0;
    std::vector<CaptureStore::SyncLogLine> log_;
    SignInAttempts signIn_;
    // The current attempt; 0 when none runs.
    SignInAttempts::Attempt liveAttempt_ = 0;

    std::shared_ptr<AccountRelay> relay_;
    // Nothing when it could not be made (its library failed to open).
    std::unique_ptr<SyncEngine> engine_; // last: it goes before the state its reports reach
};

} // namespace tavro
