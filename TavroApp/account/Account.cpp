#include "account/Account.h"

#include "account/AccountRelay.h"
#include "account/AccountSnapshot.h"
#include "account/SyncStatusLine.h"
#include "account/WebPages.h"
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

// The waits for approval end promptly once cancelled; a few let a restarted sign-in begin
// while an earlier one winds down.
constexpr int approvalWaiters = 4;

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

Account::Account(std::shared_ptr<CaptureStore> store, QObject* parent)
    : Account(std::move(store), appEngineConfig(), {}, parent) {}

Account::Account(std::shared_ptr<CaptureStore> store, SyncEngineConfig config, URLOpener openURL,
                 QObject* parent)
    : QObject(parent)
    , store_(std::move(store))
    , openURL_(openURL ? std::move(openURL)
                       : URLOpener([](const QUrl& url) { return QDesktopServices::openUrl(url); }))
    , relay_(std::make_shared<AccountRelay>(this)) {
    calls_.setMaxThreadCount(1);
    waits_.setMaxThreadCount(approvalWaiters);
    reload();
    // Made on the calls' thread, as the first call: opening the engine reads the session token
    // from the keyring, which may take its whole time bound when the keyring does not answer,
    // and the tray icon and the board should not wait for that.
    calls_.start([this, config = std::move(config), relay = relay_]() mutable {
        try {
            auto engine = std::make_unique<SyncEngine>(std::move(config));
            // The handler runs on the engine's worker and only ever posts to this thread.
            engine->onStatus([this, relay](const SyncStatus& status) {
                relay->post([this, status] { publishStatus(status); });
            });
            engine_ = std::move(engine);
            live_ = engine_.get();
            engine_->start();
        } catch (const std::exception& error) {
            // The app runs on without sync; the account's status shows it is off.
            qWarning("Sync is off: %s", error.what());
            engineFailed_ = true;
        }
    });
}

Account::~Account() {
    relay_->detach();
    liveAttempt_ = 0;
    if (SyncEngine* engine = live_.load()) {
        engine->cancelSignIn();
        engine->stop();
    }
    calls_.waitForDone();
    // The engine may have been made while the calls above ran.
    if (engine_) {
        engine_->cancelSignIn();
        engine_->stop();
    }
    // The waits use the engine until they end.
    waits_.waitForDone();
    live_ = nullptr;
    engine_.reset();
}

std::string Account::statusLine() const {
    return syncStatusLine(status_, now());
}

bool Account::isSignedIn() const {
    return status_.kind != SyncStatus::Kind::signedOut &&
           status_.kind != SyncStatus::Kind::sessionExpired;
}

std::optional<Workspace> Account::defaultWorkspace() const {
    if (!defaultWorkspaceID_)
        return std::nullopt;
    for (const auto& workspace : workspaces_)
        if (workspace.id == *defaultWorkspaceID_)
            return workspace;
    return std::nullopt;
}

void Account::offThread(std::function<void(SyncEngine&)> work, std::function<void()> then) {
    if (engineFailed_)
        return;
    calls_.start([this, relay = relay_, work = std::move(work), then = std::move(then)] {
        // Read when the call runs: the engine is made by the first call.
        SyncEngine* engine = live_.load();
        if (!engine)
            return;
        try {
            work(*engine);
        } catch (const std::exception&) {
            // The engine reports these through its status and the sync log.
        }
        if (then)
            relay->post(then);
    });
}

void Account::publishStatus(const SyncStatus& status) {
    status_ = status;
    emit statusChanged();
    if (status.kind == SyncStatus::Kind::idle)
        reload();
}

void Account::reload() {
    AccountSnapshot snapshot = readAccountSnapshot(*store_, logLimit);
    me_ = std::move(snapshot.me);
    workspaces_ = std::move(snapshot.workspaces);
    defaultWorkspaceID_ = std::move(snapshot.defaultWorkspaceID);
    localCaptureCount_ = snapshot.localCaptureCount;
    log_ = std::move(snapshot.log);
    emit accountChanged();
}

void Account::setDefaultWorkspaceID(const std::optional<std::string>& workspaceID) {
    if (workspaceID == defaultWorkspaceID_)
        return;
    defaultWorkspaceID_ = workspaceID;
    emit accountChanged();
    offThread([workspaceID](SyncEngine& engine) { engine.setDefaultWorkspace(workspaceID); });
}

void Account::signIn() {
    const bool wasRunning = signIn_.running();
    const SignInAttempts::Attempt attempt = signIn_.start();
    liveAttempt_ = attempt;
    if (SyncEngine* engine = live_.load(); wasRunning && engine)
        engine->cancelSignIn();
    emit signInChanged();
    beginSignIn(attempt);
}

void Account::beginSignIn(SignInAttempts::Attempt attempt) {
    if (engineFailed_) {
        signInEnded(attempt, {SignInAttempts::Outcome::Kind::failed, unavailable});
        return;
    }
    calls_.start([this, relay = relay_, attempt] {
        // Cancelled or replaced before its turn came.
        if (liveAttempt_ != attempt)
            return;
        SyncEngine* engine = live_.load();
        if (!engine) {
            relay->post([this, attempt] {
                signInEnded(attempt, {SignInAttempts::Outcome::Kind::failed, unavailable});
            });
            return;
        }
        try {
            DeviceCode code = engine->beginSignIn();
            relay->post([this, attempt, code] { codeArrived(attempt, code); });
            if (liveAttempt_ != attempt) {
                relay->post([this, attempt] {
                    signInEnded(attempt, {SignInAttempts::Outcome::Kind::cancelled, {}});
                });
                return;
            }
            auto approval = engine->completeSignIn(std::move(code));
            // Cancelled while the wait began: nothing newer can be waiting yet, as the calls
            // run one at a time.
            if (liveAttempt_ != attempt)
                engine->cancelSignIn();
            awaitApproval(attempt, std::move(approval));
        } catch (const std::exception& error) {
            // The sign-in sheet shows why the attempt ended.
            relay->post([this, attempt, text = std::string(error.what())] {
                signInEnded(attempt, {SignInAttempts::Outcome::Kind::failed, text});
            });
        }
    });
}

void Account::awaitApproval(SignInAttempts::Attempt attempt, std::future<AccountInfo> approval) {
    auto pending = std::make_shared<std::future<AccountInfo>>(std::move(approval));
    waits_.start([this, relay = relay_, attempt, pending] {
        SignInAttempts::Outcome outcome;
        try {
            pending->get();
        } catch (const SignInCancelled&) {
            // The user cancelled: an outcome of its own, not a failure.
            outcome.kind = SignInAttempts::Outcome::Kind::cancelled;
        } catch (const std::exception& error) {
            // The sign-in sheet shows why the attempt ended.
            outcome = {SignInAttempts::Outcome::Kind::failed, error.what()};
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
    if (SyncEngine* engine = live_.load())
        engine->cancelSignIn();
    emit signInChanged();
}

void Account::openApproval() {
    if (const auto& code = signIn_.code())
        openIfWeb(code->verificationURIComplete);
}

void Account::signOut() {
    offThread([](SyncEngine& engine) { engine.signOut(); }, [this] { reload(); });
}

void Account::syncNow() {
    offThread([](SyncEngine& engine) { engine.syncNow(); }, [this] { reload(); });
}

void Account::noteLocalChange() {
    emit localChangeNoted();
    SyncEngine* engine = live_.load();
    if (!engine || !isSignedIn())
        return;
    try {
        engine->noteLocalChange();
    } catch (const std::exception&) {
        // Best effort: the next timed pass takes the change along.
    }
}

void Account::adoptLocalCaptures() {
    if (!defaultWorkspaceID_)
        return;
    offThread([workspaceID = *defaultWorkspaceID_](
                  SyncEngine& engine) { engine.adoptLocalCaptures(workspaceID); },
              [this] { reload(); });
}

void Account::openWeb(std::string_view path) {
    openIfWeb(webPageAddress(path, webOriginOverride()));
}

void Account::openIfWeb(const std::string& text) {
    if (auto url = browsableURL(text))
        openURL_(*url);
}

} // namespace tavro
