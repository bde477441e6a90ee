#include "account/Account.h"

#include "account/AccountRelay.h"
#include "account/SyncStatusLine.h"
#include "account/WebPages.h"
#include "library/Library.h"
#include "model/Paths.h"

#include <QDesktopServices>

#include <unistd.h>

namespace tavro {

namespace {

std::string computerName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0')
        return "Linux computer";
    return name;
}

constexpr const char* unavailable = "Sync is not available.";

} // namespace

SyncEngineConfig Account::appEngineConfig() {
    SyncEngineConfig config;
    config.database = TavroPaths::databasePath();
    config.baseURL = SyncEngine::defaultBaseURL();
    config.deviceName = computerName();
#ifdef TAVRO_VERSION
    config.appVersion = std::string(TAVRO_VERSION);
#endif
    return config;
}

Account::Account(Library& library, QObject* parent)
    : Account(library, appEngineConfig(), {}, parent) {}

Account::Account(Library& library, SyncEngineConfig config, URLOpener openURL, QObject* parent)
    : QObject(parent)
    , library_(library)
    , openURL_(openURL ? std::move(openURL)
                       : URLOpener([](const QUrl& url) { return QDesktopServices::openUrl(url); }))
    , records_(library.accountRecords())
    , workspaces_(library.workspaces())
    , relay_(std::make_shared<AccountRelay>(this)) {
    connect(&library_, &Library::reloaded, this, &Account::libraryPublished);
    config.onApplied = [this, relay = relay_] {
        relay->post([this] { emit rowsApplied(); });
    };
    try {
        // The engine reads the session token on its own thread: a keyring that does not
        // answer holds up neither the tray icon nor the board.
        engine_ = std::make_unique<SyncEngine>(std::move(config));
        // The handler runs on the engine's worker and only ever posts to this thread.
        engine_->setStatusHandler([this, relay = relay_](const SyncStatus& status) {
            relay->post([this, status] { publishStatus(status); });
        });
        engine_->start();
    } catch (const std::exception& error) {
        // The app runs on without sync; the account's status shows it is off.
        qWarning("Sync is off: %s", error.what());
    }
}

Account::~Account() {
    relay_->detach();
    liveAttempt_ = 0;
    if (engine_) {
        engine_->cancelSignIn();
        engine_->stop();
    }
    engine_.reset();
}

std::string Account::statusLine() const {
    return syncStatusLine(status_, now());
}

bool Account::isSignedIn() const {
    return status_.kind != SyncStatus::Kind::signedOut &&
           status_.kind != SyncStatus::Kind::sessionExpired;
}

const std::optional<std::string>& Account::defaultWorkspaceID() const {
    return chosenWorkspaceID_ ? *chosenWorkspaceID_ : records_.defaultWorkspaceID;
}

std::optional<Workspace> Account::defaultWorkspace() const {
    const auto& id = defaultWorkspaceID();
    if (!id)
        return std::nullopt;
    for (const auto& workspace : workspaces_)
        if (workspace.id == *id)
            return workspace;
    return std::nullopt;
}

SyncEngine::Completion Account::reloadAfter(std::function<void()> then) {
    // What failed is in the engine's status and the sync log, which the reload reads.
    return [this, relay = relay_, then = std::move(then)](std::exception_ptr) {
        relay->post([this, then] {
            if (then)
                then();
            reload();
        });
    };
}

void Account::publishStatus(const SyncStatus& status) {
    status_ = status;
    emit statusChanged();
    // A pass, a sign-in or a failure leaves lines in the sync log.
    if (status.kind != SyncStatus::Kind::syncing)
        reload();
}

void Account::reload() {
    library_.checkAccountRecords();
}

void Account::libraryPublished() {
    bool changed = false;
    // The read asked for after the engine stored the choice has been published.
    if (chosenStored_ && !library_.reloadPending()) {
        chosenWorkspaceID_.reset();
        chosenStored_ = false;
        changed = true;
    }
    if (library_.accountRecords() != records_) {
        records_ = library_.accountRecords();
        changed = true;
    }
    if (library_.workspaces() != workspaces_) {
        workspaces_ = library_.workspaces();
        changed = true;
    }
    if (changed)
        emit accountChanged();
}

void Account::setDefaultWorkspaceID(const std::optional<std::string>& workspaceID) {
    if (!engine_ || workspaceID == defaultWorkspaceID())
        return;
    chosenWorkspaceID_ = workspaceID;
    chosenStored_ = false;
    const std::uint64_t choice = ++choices_;
    emit accountChanged();
    // A write that fails shows the stored value again, and the log line that says why.
    engine_->setDefaultWorkspace(workspaceID, reloadAfter([this, choice] {
                                     if (choice == choices_)
                                         chosenStored_ = true;
                                 }));
}

void Account::signIn() {
    const bool wasRunning = signIn_.running();
    const SignInAttempts::Attempt attempt = signIn_.start();
    liveAttempt_ = attempt;
    if (wasRunning && engine_)
        engine_->cancelSignIn();
    emit signInChanged();
    beginSignIn(attempt);
}

void Account::beginSignIn(SignInAttempts::Attempt attempt) {
    if (!engine_) {
        signInEnded(attempt, {SignInAttempts::Outcome::Kind::failed, unavailable});
        return;
    }
    engine_->beginSignIn(
        [this, relay = relay_, attempt](std::optional<DeviceCode> code, std::exception_ptr error) {
            std::optional<std::string> failure;
            if (error) {
                try {
                    std::rethrow_exception(error);
                } catch (const std::exception& e) {
                    // The sign-in sheet shows why the attempt ended.
                    failure = e.what();
                } catch (...) {
                    // Nothing to tell beyond sync being unavailable.
                    failure = unavailable;
                }
            }
            relay->post([this, attempt, code, failure] { codeReady(attempt, code, failure); });
        });
}

void Account::codeReady(SignInAttempts::Attempt attempt, const std::optional<DeviceCode>& code,
                        const std::optional<std::string>& error) {
    if (error || !code) {
        signInEnded(attempt, {SignInAttempts::Outcome::Kind::failed, error.value_or(unavailable)});
        return;
    }
    codeArrived(attempt, *code);
    // Cancelled or replaced while the code was on its way.
    if (liveAttempt_ != attempt) {
        signInEnded(attempt, {SignInAttempts::Outcome::Kind::cancelled, {}});
        return;
    }
    engine_->completeSignIn(*code, [this, relay = relay_, attempt](std::optional<AccountInfo>,
                                                                   std::exception_ptr error) {
        SignInAttempts::Outcome outcome;
        if (error) {
            try {
                std::rethrow_exception(error);
            } catch (const SignInCancelled&) {
                // The user cancelled: an outcome of its own, not a failure.
                outcome.kind = SignInAttempts::Outcome::Kind::cancelled;
            } catch (const std::exception& e) {
                // The sign-in sheet shows why the attempt ended.
                outcome = {SignInAttempts::Outcome::Kind::failed, e.what()};
            } catch (...) {
                // Nothing to tell beyond sync being unavailable.
                outcome = {SignInAttempts::Outcome::Kind::failed, unavailable};
            }
        }
        relay->post([this, attempt, outcome] { signInEnded(attempt, outcome); });
    });
}

void Account::codeArrived(SignInAttempts::Attempt attempt, const DeviceCode& code) {
    if (!signIn_.codeArrived(attempt, code))
        return;
    emit signInChanged();
    openIfWeb(code.verificationURIComplete);
}

void Account::signInEnded(SignInAttempts::Attempt attempt, SignInAttempts::Outcome outcome) {
    if (!signIn_.ended(attempt, outcome))
        return;
    liveAttempt_ = 0;
    emit signInChanged();
    if (outcome.kind == SignInAttempts::Outcome::Kind::signedIn)
        reload();
}

void Account::cancelSignIn() {
    signIn_.cancel();
    liveAttempt_ = 0;
    if (engine_)
        engine_->cancelSignIn();
    emit signInChanged();
}

void Account::openApproval() {
    if (const auto& code = signIn_.code())
        openIfWeb(code->verificationURIComplete);
}

void Account::signOut() {
    // The session ends at once, whatever pass runs; a failure to forget the account's data is
    // said by the status, with the session kept for another try.
    // The engine's report of how it ended reloads the account.
    if (engine_)
        engine_->signOut({});
}

void Account::countChangesLostOnSignOut(QObject* context,
                                        std::function<void(std::optional<std::int64_t>)> done) {
    library_.countChangesLostOnSignOut(context, std::move(done));
}

void Account::syncNow() {
    // Each pass's report reloads the account; a request met by a running pass adds nothing.
    if (engine_)
        engine_->syncNow({});
}

void Account::noteLocalChange() {
    emit localChangeNoted();
    if (!engine_ || !isSignedIn())
        return;
    try {
        engine_->noteLocalChange();
    } catch (const std::exception&) {
        // Best effort: the next timed pass takes the change along.
    }
}

void Account::adoptLocalCaptures() {
    const auto& workspaceID = defaultWorkspaceID();
    if (!workspaceID || !engine_)
        return;
    engine_->adoptLocalCaptures(*workspaceID, std::nullopt, reloadAfter());
}

void Account::openWeb(std::string_view path) {
    openIfWeb(webPageAddress(path, webOriginOverride()));
}

void Account::openIfWeb(const std::string& text) {
    if (auto url = browsableURL(text))
        openURL_(*url);
}

} // namespace tavro
