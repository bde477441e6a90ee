#include "sync/SyncEngine.h"

#include "model/Text.h"
#include "sync/PassFailure.h"

#include <cstdlib>
#include <future>

namespace tavro {

namespace {

std::optional<Seconds> storedLastSync(const CaptureStore& store) {
    try {
        if (auto text = store.syncMeta("last_sync"))
            return parseISO8601(*text);
    } catch (const std::exception&) {
        // An unreadable time is shown as never synced; the next pass writes a new one.
    }
    return std::nullopt;
}

// The store's notifier, which also tells the app in this process.
class AppliedNotifier final : public StoreChangeNotifier {
public:
    AppliedNotifier(std::shared_ptr<StoreChangeNotifier> inner, std::function<void()> applied)
        : inner_(std::move(inner))
        , applied_(std::move(applied)) {}
    void post() override {
        if (inner_)
            inner_->post();
        if (applied_)
            applied_();
    }

private:
    std::shared_ptr<StoreChangeNotifier> inner_;
    std::function<void()> applied_;
};

std::shared_ptr<StoreChangeNotifier> engineNotifier(const SyncEngineConfig& config) {
    if (!config.onApplied)
        return config.notifier;
    return std::make_shared<AppliedNotifier>(config.notifier, config.onApplied);
}

} // namespace

std::string SyncEngine::defaultBaseURL() {
    if (const char* value = std::getenv("TAVRO_API_URL")) {
        std::string text = text::trimmed(value);
        if (!text.empty())
            return text;
    }
    return builtInBaseURL;
}

SyncEngine::SyncEngine(SyncEngineConfig config)
    : config_(std::move(config))
    , store_(config_.database, engineNotifier(config_))
    , ledger_(store_)
    , client_(config_.baseURL, std::nullopt, config_.transport, config_.limits)
    , blobs_(ledger_, client_, config_.timings.clock)
    , lastSync_(storedLastSync(store_))
    , executor_([this](SyncExecutor::Deadline deadline) { handleDeadline(deadline); },
                config_.timings.deadlineClock) {
    // Every pulled row is applied under a savepoint of its own; on disk, each savepoint's journal
    // costs a file write per page the row touches.
    store_.db().executeRaw("PRAGMA temp_store = MEMORY;");
    // What a pass writes is tried again by the next pass, and a sign-out the user waits on had
    // better fail soon than wait its turn behind every agent: one busy wait, not the patient one.
    store_.db().setLockWait(Database::briefLockWait);
    auto read = std::make_shared<std::promise<void>>();
    tokenRead_ = read->get_future().share();
    executor_.post([this, read] {
        client_.setToken(config_.secrets->read(SecretStore::sessionAccount));
        {
            std::lock_guard lock(stateMutex_);
            status_ = client_.token()
                          ? SyncStatus{.kind = SyncStatus::Kind::idle, .lastSync = lastSync_}
                          : SyncStatus{.kind = SyncStatus::Kind::signedOut};
        }
        read->set_value();
    });
}

bool SyncEngine::isSignedIn() const {
    tokenRead_.wait();
    return client_.token().has_value();
}

SyncEngine::~SyncEngine() {
    closing_ = true;
    cancelSignIn();
    endSession();
    signIn_.join();
    executor_.call([this] { stopOnWorker(); });
}

SyncStatus SyncEngine::status() const {
    tokenRead_.wait();
    std::lock_guard lock(stateMutex_);
    return status_;
}

std::optional<Seconds> SyncEngine::lastSync() const {
    tokenRead_.wait();
    std::lock_guard lock(stateMutex_);
    return lastSync_;
}

void SyncEngine::setStatusHandler(StatusHandler handler) {
    executor_.post([this, handler = std::move(handler)]() mutable {
        statusHandler_ = std::move(handler);
        if (statusHandler_)
            statusHandler_(status());
    });
}

void SyncEngine::publish(const SyncStatus& status) {
    {
        std::lock_guard lock(stateMutex_);
        status_ = status;
    }
    if (statusHandler_)
        statusHandler_(status);
}

std::stop_token SyncEngine::sessionToken() const {
    std::lock_guard lock(stateMutex_);
    return session_.get_token();
}

void SyncEngine::endSession() {
    // Ends the requests in flight at once; the pass that made them sees the stop and writes
    // nothing of what comes back. Later passes take the new source.
    std::lock_guard lock(stateMutex_);
    session_.request_stop();
    session_ = std::stop_source();
}

void SyncEngine::ensureCurrent(std::stop_token session) {
    SyncExchanger::ensureCurrent(session);
}

void SyncEngine::start() {
    executor_.post([this] { startOnWorker(); });
}

void SyncEngine::startOnWorker() {
    if (!client_.token() || scheduler_.looping())
        return;
    scheduler_.startLoop();
    {
        std::lock_guard lock(eventsMutex_);
        events_ = std::make_unique<EventStream>([this] { return client_.events(); },
                                                client_.transport(), config_.timings.reconnect,
                                                [this] { scheduler_.noteChange(false); });
    }
    // The first pass runs behind whatever the caller still has queued, not inside it.
    executor_.post([this] { scheduler_.request(); });
}

void SyncEngine::stop() {
    endSession();
    executor_.post([this] {
        stopOnWorker();
        // A pass cut short publishes nothing of its own.
        if (status().kind == SyncStatus::Kind::syncing)
            publish({.kind = SyncStatus::Kind::idle, .lastSync = lastSync()});
    });
}

void SyncEngine::stopOnWorker() {
    scheduler_.stopLoop();
    std::unique_ptr<EventStream> events;
    {
        std::lock_guard lock(eventsMutex_);
        events = std::move(events_);
    }
    events.reset(); // joins: the stream's thread only ever posts here, never waits
}

void SyncEngine::noteLocalChange() {
    scheduler_.noteChange(true);
}

void SyncEngine::handleDeadline(SyncExecutor::Deadline deadline) {
    if (deadline == SyncExecutor::Deadline::heldLog) {
        writeHeldLog();
        return;
    }
    scheduler_.deadline(deadline);
}

void SyncEngine::logWithoutWaiting(std::string level, std::string message) {
    heldLog_.push_back({.at = now(), .level = std::move(level), .message = std::move(message)});
    writeHeldLog();
}

void SyncEngine::writeHeldLog() {
    const Database::BusyLimit noWait(store_.db(), std::chrono::milliseconds(0));
    while (!heldLog_.empty() &&
           ledger_.log(heldLog_.front().level, heldLog_.front().message, heldLog_.front().at))
        heldLog_.erase(heldLog_.begin());
    if (!heldLog_.empty())
        executor_.arm(SyncExecutor::Deadline::heldLog, config_.timings.heldLogRetry);
}

void SyncEngine::syncNow(Completion done) {
    scheduler_.want();
    if (scheduler_.syncing()) {
        // The running pass sees the request when it ends.
        if (done)
            done(nullptr);
        return;
    }
    callWithCompletion([this] { scheduler_.run(); }, std::move(done));
}

void SyncEngine::callWithCompletion(std::function<void()> work, Completion done) {
    executor_.post([work = std::move(work), done = std::move(done)] {
        std::exception_ptr error;
        try {
            work();
        } catch (...) {
            error = std::current_exception();
        }
        if (done)
            done(error);
    });
}

void SyncEngine::runOnce(std::stop_token session) {
    const struct EndPass {
        SyncExchanger& exchange;
        ~EndPass() { exchange.endPass(); }
    } endPass{exchange_};
    publish({.kind = SyncStatus::Kind::syncing});
    if (!heldLog_.empty())
        writeHeldLog();
    blobs_.beginPass();
    try {
        const Seconds now = config_.timings.clock();
        if (!lastAccountRefresh_ || now - *lastAccountRefresh_ >= config_.timings.accountRefreshAge)
            refreshAccount(session);
        exchange_.beginPass();
        for (int exchange = 0; exchange < SyncTimings::maxExchangesPerPass; ++exchange)
            if (!exchange_.cycle(session, SyncTimings::maxExchangesPerPass - exchange - 1))
                break;
        ensureCurrent(session);
        if (blobs_.downloadPendingImages(session))
            store_.postChange();
        reconcileIfDue(session);
        ensureCurrent(session);
        blobs_.logPassFailures();
        const Seconds finished = config_.timings.clock();
        try {
            store_.setSyncMeta("last_sync", formatISO8601(finished));
        } catch (const std::exception& error) {
            // The pass itself went through; only its time is not kept past a restart.
            ledger_.log("warn", std::string("Couldn't record the sync time: ") + error.what());
        }
        {
            std::lock_guard lock(stateMutex_);
            lastSync_ = finished;
        }
        // Screenshots that keep failing to upload are not in step, whatever else is.
        if (const size_t stuck = blobs_.uploadsWaiting())
            publish({.kind = SyncStatus::Kind::failed,
                     .lastSync = finished,
                     .message = std::to_string(stuck) +
                                (stuck == 1 ? " screenshot can't" : " screenshots can't") +
                                " be uploaded; the sync log says why"});
        else
            publish({.kind = SyncStatus::Kind::idle, .lastSync = finished});
    } catch (const Abandoned&) {
        // Signed out or stopped meanwhile: that path publishes its own status.
    } catch (...) {
        if (session.stop_requested())
            return;
        blobs_.logPassFailures();
        failPass(std::current_exception());
    }
}

void SyncEngine::failPass(std::exception_ptr error) {
    const auto failure = PassFailure::from(error);
    if (failure.log)
        ledger_.log(failure.log->level, failure.log->message);
    if (failure.sessionRejected) {
        endSession();
        stopOnWorker();
        client_.setToken(std::nullopt);
        config_.secrets->remove(SecretStore::sessionAccount);
    }
    publish(failure.status);
}

} // namespace tavro
