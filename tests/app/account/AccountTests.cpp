#include "account/Account.h"
#include "desktop/StoreChangeListener.h"
#include "library/Library.h"
#include "library/ThumbnailLoader.h"

#include "MemorySecrets.h"
#include "SyncService.h"
#include "TempLibrary.h"
#include "ledger/SyncLedger.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <future>
#include <set>
#include <thread>

using namespace std::chrono_literals;
using namespace tavro;
using namespace tavro::test;
using Kind = SyncStatus::Kind;

namespace {

// The account against the stand-in service, over a throw-away library with the app's facade and
// a memory keyring, with the engine's delays in milliseconds; pages the account opens are only
// noted.
struct AccountAtStandIn : ::testing::Test {
    SyncService service;
    TempLibrary library;
    std::shared_ptr<MemorySecrets> secrets = std::make_shared<MemorySecrets>();
    std::shared_ptr<CaptureStore> store = std::make_shared<CaptureStore>(
        library.database(), std::make_shared<NullStoreChangeNotifier>());
    ThumbnailLoader thumbnails;
    Library board{library.database(), thumbnails, std::make_unique<StoreChangeListener>()};
    std::vector<std::string> opened;
    std::unique_ptr<Account> account;

    void TearDown() override { account.reset(); }

    Account& make() {
        // The tests start from the first board published, the account records with it.
        EXPECT_TRUE(QTest::qWaitFor([this] { return !board.reloadPending(); }, 10000));
        SyncEngineConfig config{
            .database = library.database(),
            .baseURL = service.baseURL(),
            .deviceName = "desk",
            .appVersion = "1.2.3",
            .secrets = secrets,
            .notifier = std::make_shared<NullStoreChangeNotifier>(),
            .timings = {.loop = 10s, .debounce = 60ms, .reconnect = 80ms, .pollSecond = 2ms}};
        account = std::make_unique<Account>(board, std::move(config), [this](const QUrl& url) {
            opened.push_back(url.toString().toStdString());
            return true;
        });
        QObject::connect(account.get(), &Account::rowsApplied, &board, &Library::checkForChanges);
        return *account;
    }
    // A signed-in account whose first pass has ended.
    Account& signedIn() {
        secrets->write(service.issueToken(), SecretStore::sessionAccount);
        make();
        EXPECT_TRUE(until([&] { return account->status().kind == Kind::idle && account->me(); }));
        return *account;
    }

    static bool until(const std::function<bool()>& condition) {
        return QTest::qWaitFor(condition, 20000);
    }
    std::optional<std::string> shownCode() const {
        const auto& code = account->pendingCode();
        return code ? std::optional(code->userCode) : std::nullopt;
    }
    // A capture that never left this computer.
    void neverSynced(const std::string& id) {
        store->db().execute("INSERT INTO captures (id, created_at, updated_at, image_path, "
                            "sync_state) VALUES (?, 1, 1, '', 'local');",
                            {id});
    }
};

} // namespace

TEST_F(AccountAtStandIn, ASignInEndsSignedInOrWithTheReasonShown) {
    struct Case {
        const char* name;
        std::function<void(SyncService&, const std::string&)> answer;
        std::optional<std::string> error;
    };
    const std::vector<Case> cases = {
        {"approved", [](SyncService& s, const std::string& code) { s.approve(code, 2); }, {}},
        {"denied", [](SyncService& s, const std::string& code) { s.deny(code, 1); },
         "The sign-in was denied in the browser."},
        {"expired", [](SyncService& s, const std::string& code) { s.expireCode(code); },
         "That code expired. Start again to get a new one."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        opened.clear();
        make().signIn();
        EXPECT_TRUE(account->isSigningIn());
        ASSERT_TRUE(until([&] { return shownCode().has_value(); }));
        // The approval page opens with the code filled in.
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0], account->pendingCode()->verificationURIComplete);
        c.answer(service, *shownCode());
        ASSERT_TRUE(until([&] { return !account->isSigningIn(); }));
        EXPECT_FALSE(shownCode());
        EXPECT_EQ(account->signInError(), c.error);
        if (c.error) {
            EXPECT_EQ(account->status().kind, Kind::signedOut);
            EXPECT_FALSE(account->me());
            continue;
        }
        ASSERT_TRUE(until([&] { return account->isSignedIn() && account->me(); }));
        EXPECT_EQ(account->me()->name, "Mira Test");
        EXPECT_EQ(account->me()->email, "mira@example.test");
        ASSERT_EQ(account->workspaces().size(), 1u);
        EXPECT_EQ(account->defaultWorkspace()->name, "Team");
        EXPECT_TRUE(secrets->read(SecretStore::sessionAccount));
        account->signOut();
        // The library reads what the sign-out left a moment after the engine reports it.
        ASSERT_TRUE(
            until([&] { return account->status().kind == Kind::signedOut && !account->me(); }));
    }
}

TEST_F(AccountAtStandIn, ASignInStartedAgainKeepsItsOwnCode) {
    make();
    // Every code shown, in order.
    std::vector<std::optional<std::string>> shown;
    QObject watcher;
    QObject::connect(account.get(), &Account::signInChanged, &watcher,
                     [&] { shown.push_back(shownCode()); });

    // Cancelled while waiting for approval, then started again.
    account->signIn();
    ASSERT_TRUE(until([&] { return shownCode().has_value(); }));
    const std::string first = *shownCode();
    account->cancelSignIn();
    EXPECT_FALSE(shownCode());
    account->signIn();
    ASSERT_TRUE(until([&] { return shownCode() && *shownCode() != first; }));
    const std::string second = *shownCode();

    // Replaced while its code was still being asked for.
    service.inject({.route = "/api/auth/device/code", .hold = true});
    account->signIn();
    EXPECT_FALSE(shownCode());
    ASSERT_TRUE(until([&] { return service.held("/api/auth/device/code") > 0; }));
    account->signIn();
    service.release();
    ASSERT_TRUE(
        until([&] { return shownCode() && *shownCode() != first && *shownCode() != second; }));
    const std::string fourth = *shownCode();
    // Nothing the earlier attempts leave behind replaces it afterwards.
    EXPECT_FALSE(QTest::qWaitFor([&] { return shownCode() != fourth; }, 300));
    EXPECT_EQ(shownCode(), fourth);
    EXPECT_TRUE(account->isSigningIn());
    EXPECT_FALSE(account->signInError());
    // The held attempt's own code never showed.
    std::set<std::string> codes;
    for (const auto& code : shown)
        if (code)
            codes.insert(*code);
    EXPECT_EQ(codes, (std::set<std::string>{first, second, fourth}));

    service.approve(fourth);
    // The attempt's end and the account's arrival are reported apart; wait for both.
    ASSERT_TRUE(
        until([&] { return account->isSignedIn() && account->me() && !account->isSigningIn(); }));
    EXPECT_FALSE(account->isSigningIn());
}

TEST_F(AccountAtStandIn, PassesRunOnDemandAfterLocalChangesAndAfterMoving) {
    signedIn();
    EXPECT_EQ(account->statusLine().rfind("Synced", 0), 0u) << account->statusLine();
    // Every status published from here on.
    std::vector<Kind> kinds;
    QObject watcher;
    QObject::connect(account.get(), &Account::statusChanged, &watcher,
                     [&] { kinds.push_back(account->status().kind); });
    auto passes = [&] {
        return std::count(kinds.begin(), kinds.end(), Kind::syncing);
    };
    auto idleAfter = [&](long n) {
        return until([&] { return passes() >= n && account->status().kind == Kind::idle; });
    };

    account->syncNow();
    EXPECT_TRUE(idleAfter(1));
    account->noteLocalChange();
    EXPECT_TRUE(idleAfter(2));

    // Captures filed in no workspace move into the default one, and a pass follows.
    neverSynced("c-adopt");
    account->reload();
    EXPECT_TRUE(until([&] { return account->localCaptureCount() == 1; }));
    EXPECT_EQ(account->localCaptureCount(), 1);
    account->adoptLocalCaptures();
    EXPECT_TRUE(until([&] { return account->localCaptureCount() == 0; }));
    EXPECT_EQ(store->capture("c-adopt")->workspaceID, SyncService::workspaceID);
    EXPECT_TRUE(idleAfter(3));

    // Another default workspace reaches the library through the engine.
    SyncLedger(*store).replaceWorkspaces({{SyncService::workspaceID, "Team"}, {"w-side", "Side"}});
    account->reload();
    ASSERT_TRUE(until([&] { return account->workspaces().size() == 2; }));
    account->setDefaultWorkspaceID("w-side");
    EXPECT_EQ(account->defaultWorkspace()->name, "Side");
    EXPECT_TRUE(until([&] { return store->syncMeta("default_workspace_id") == "w-side"; }));
}

TEST_F(AccountAtStandIn, SigningOutKeepsTheCapturesThatNeverSynced) {
    signedIn();
    store->db().execute("INSERT INTO captures (id, created_at, updated_at, image_path, "
                        "workspace_id, sync_state) VALUES ('c-synced', 1, 1, '', ?, 'synced');",
                        {std::string(SyncService::workspaceID)});
    neverSynced("c-local");
    store->db().execute("INSERT INTO captures (id, created_at, updated_at, image_path, "
                        "workspace_id, sync_state, pending) VALUES ('c-edited', 1, 1, '', ?, "
                        "'pendingPush', '{\"note\":true}');",
                        {std::string(SyncService::workspaceID)});
    // Asked before the user confirms: the edit never reached the service and goes with it.
    std::optional<std::optional<std::int64_t>> lost;
    QObject asking;
    account->countChangesLostOnSignOut(&asking, [&](std::optional<std::int64_t> n) { lost = n; });
    ASSERT_TRUE(until([&] { return lost.has_value(); }));
    EXPECT_EQ(*lost, 1);
    account->signOut();
    ASSERT_TRUE(until([&] { return account->status().kind == Kind::signedOut; }));
    EXPECT_TRUE(until([&] { return !account->me(); }));
    EXPECT_FALSE(secrets->read(SecretStore::sessionAccount));
    EXPECT_EQ(account->statusLine(), "Not signed in");
    EXPECT_FALSE(store->capture("c-synced"));
    EXPECT_FALSE(store->capture("c-edited"));
    EXPECT_TRUE(store->capture("c-local"));
    EXPECT_EQ(account->localCaptureCount(), 1);

    // Signed out, a local change asks nothing of the service.
    service.clearRequests();
    account->noteLocalChange();
    // Well past the engine's 60 ms debounce, nothing is asked.
    EXPECT_FALSE(QTest::qWaitFor([&] { return !service.requests().empty(); }, 300));
    EXPECT_TRUE(service.requests().empty());
}

TEST_F(AccountAtStandIn, ReportsThatArriveAfterTheAccountIsGoneAreDropped) {
    struct Case {
        const char* name;
        std::function<void(Account&)> act;
    };
    const std::vector<Case> cases = {
        {"a sync in flight",
         [](Account& a) {
             a.syncNow();
         }},
        {"a sign-in waiting",
         [](Account& a) {
             a.signIn();
         }},
        {"a sign-out",
         [](Account& a) {
             a.signOut();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        signedIn();
        opened.clear();
        QSignalSpy status(account.get(), &Account::statusChanged);
        c.act(*account);
        const int statusBefore = status.count();
        // The other threads get to post their reports, which wait in the queue while the
        // account goes: the race itself is what is tested.
        std::this_thread::sleep_for(50ms);
        account.reset();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        EXPECT_EQ(status.count(), statusBefore) << "no report reached the gone account";
        EXPECT_TRUE(opened.empty()) << "a sign-in code arriving late opens no page";
    }
}

TEST_F(AccountAtStandIn, WebPagesOpenUnderTheConfiguredOrigin) {
    make();
    {
        ScopedEnv web("TAVRO_WEB_URL", "http://127.0.0.1:5173");
        account->openWebApp();
        account->openSignUp();
    }
    {
        ScopedEnv web("TAVRO_WEB_URL", "javascript:alert(1)//");
        account->openWebApp();
    }
    {
        ScopedEnv web("TAVRO_WEB_URL", std::nullopt);
        account->openWeb("/app");
    }
    account->openApproval(); // no code: nothing
    EXPECT_EQ(opened,
              (std::vector<std::string>{"http://127.0.0.1:5173/app",
                                        "http://127.0.0.1:5173/sign-up", "https://tavro.dev/app"}));
}

namespace {

// A keyring whose first read waits until the test lets it answer, as one that hangs would.
class HeldSecrets final : public SecretStore {
public:
    explicit HeldSecrets(std::shared_ptr<SecretStore> inner)
        : inner_(std::move(inner)) {}
    std::optional<std::string> read(std::string_view account) override {
        released_.wait();
        return inner_->read(account);
    }
    void write(std::string_view value, std::string_view account) override {
        inner_->write(value, account);
    }
    void remove(std::string_view account) override { inner_->remove(account); }
    void release() { release_.set_value(); }

private:
    std::shared_ptr<SecretStore> inner_;
    std::promise<void> release_;
    std::shared_future<void> released_ = release_.get_future().share();
};

} // namespace

TEST_F(AccountAtStandIn, AKeyringThatDoesNotAnswerHoldsUpNeitherTheAppNorTheCallsAskedMeanwhile) {
    secrets->write(service.issueToken(), SecretStore::sessionAccount);
    auto held = std::make_shared<HeldSecrets>(secrets);
    secrets.reset();
    SyncEngineConfig config{.database = library.database(),
                            .baseURL = service.baseURL(),
                            .deviceName = "desk",
                            .secrets = held,
                            .notifier = std::make_shared<NullStoreChangeNotifier>(),
                            .timings = {.loop = 10s, .debounce = 60ms, .pollSecond = 2ms}};
    // Returns while the keyring is still silent, and a call asked meanwhile waits its turn.
    account = std::make_unique<Account>(board, std::move(config), [](const QUrl&) { return true; });
    EXPECT_EQ(account->status().kind, Kind::signedOut);
    account->syncNow();
    held->release();
    EXPECT_TRUE(until([&] { return account->status().kind == Kind::idle && account->me(); }));
}

TEST_F(AccountAtStandIn, WithoutAnEngineASignInSaysSyncIsNotAvailable) {
    // A library under a plain file cannot be opened.
    const auto blocker = library.database().parent_path() / "not-a-folder";
    std::ofstream(blocker) << "x";
    SyncEngineConfig config{
        .database = blocker / "library.db", .baseURL = service.baseURL(), .secrets = secrets};
    account = std::make_unique<Account>(board, std::move(config), [](const QUrl&) { return true; });
    for (int attempt = 0; attempt < 2; ++attempt) {
        account->signIn();
        ASSERT_TRUE(until([&] { return !account->isSigningIn(); }));
        EXPECT_EQ(account->signInError(), "Sync is not available.");
        EXPECT_EQ(account->status().kind, Kind::signedOut);
    }
}
