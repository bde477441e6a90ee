#pragma once

#include "account/SignInAttempts.h"
#include "library/AccountRecords.h"
#include "model/BoardRecords.h"
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
class Library;

// The app's one account and sync state: the engine's status, over the sync engine it owns,
// combined with what the library's published state holds of the account. It reads nothing from
// the library itself. Every member runs on the GUI thread and returns at once; the engine's calls
// end with completions that are delivered here, never after the account is gone.
class Account final : public QObject {
    Q_OBJECT

public:
    // Opens a URL in the desktop's browser; true when the desktop took it.
    using URLOpener = std::function<bool(const QUrl&)>;

    // The engine as the app runs it: the library's database, the API origin, this computer's
    // name and the app's version, with the desktop's keyring.
    static SyncEngineConfig appEngineConfig();

    // The app's account: the engine from appEngineConfig(), pages opened by the desktop. The
    // library outlives the account.
    explicit Account(Library& library, QObject* parent = nullptr);
    // An engine that cannot be made (its library fails to open) leaves the account signed out
    // for good; `openURL` defaults to the desktop's.
    Account(Library& library, SyncEngineConfig config, URLOpener openURL = {},
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

    // As the library last published them; accountChanged() follows each change.
    const std::optional<Person>& me() const { return records_.me; }
    const std::vector<Workspace>& workspaces() const { return workspaces_; }
    // The one chosen here while the engine stores it, then the stored one.
    const std::optional<std::string>& defaultWorkspaceID() const;
    // The workspace with the default id, when one matches.
    std::optional<Workspace> defaultWorkspace() const;
    // Live captures filed in no workspace.
    std::int64_t localCaptureCount() const { return records_.localCaptureCount; }
    // The newest sync log lines, newest first.
    const std::vector<SyncLogLine>& log() const { return records_.log; }

    // The sign-in: signInChanged() follows every change of these.
    // A sign-in runs: asking for a code, or waiting for approval.
    bool isSigningIn() const { return signIn_.running(); }
    // The code to approve in the browser (user code and verification URLs), while it waits.
    const std::optional<DeviceCode>& pendingCode() const { return signIn_.code(); }
    // The text of the last failed sign-in, until the next one starts.
    const std::optional<std::string>& signInError() const { return signIn_.error(); }

    // Files new captures there from now on; a different value is handed to the engine.
    void setDefaultWorkspaceID(const std::optional<std::string>& workspaceID);

    // Has the library read the account's records again (the engine writes them, the sync log
    // among them, without telling the board).
    void reload();
    // Starts over with a new code (a running sign-in is cancelled first) and opens the
    // approval page.
    void signIn();
    void cancelSignIn();
    // The approval page of the pending code again.
    void openApproval();
    void signOut();
    // How many changes made here never reached the service and would be lost by signing out,
    // answered here unless `context` is gone; nothing when they could not be counted.
    void countChangesLostOnSignOut(QObject* context,
                                   std::function<void(std::optional<std::int64_t>)> done);
    void syncNow();
    // A change made here committed; the engine syncs shortly after the last of a burst. Never
    // throws.
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
    // A completion that reloads once the engine's call ended, and then runs `then` here.
    SyncEngine::Completion reloadAfter(std::function<void()> then = {});
    void libraryPublished();
    void beginSignIn(SignInAttempts::Attempt attempt);
    void codeReady(SignInAttempts::Attempt attempt, const std::optional<DeviceCode>& code,
                   const std::optional<std::string>& error);
    void publishStatus(const SyncStatus& status);
    void codeArrived(SignInAttempts::Attempt attempt, const DeviceCode& code);
    void signInEnded(SignInAttempts::Attempt attempt, SignInAttempts::Outcome outcome);
    void openIfWeb(const std::string& text);

    Library& library_;
    URLOpener openURL_;
    SyncStatus status_;
    AccountRecords records_;
    std::vector<Workspace> workspaces_;
    // The default workspace chosen here, shown until the library publishes what the engine
    // stored; `chosenStored_` once the engine's call ended.
    std::optional<std::optional<std::string>> chosenWorkspaceID_;
    bool chosenStored_ = false;
    // Counts the choices, so that only the last one's end lets go of it.
    std::uint64_t choices_ = 0;
    SignInAttempts signIn_;
    // The current attempt; 0 when none runs.
    SignInAttempts::Attempt liveAttempt_ = 0;

    std::shared_ptr<AccountRelay> relay_;
    // Nothing when it could not be made (its library failed to open).
    std::unique_ptr<SyncEngine> engine_; // last: it goes before the state its reports reach
};

} // namespace tavro
