#include "account/SignInAttempts.h"
#include "account/SyncStatusLine.h"
#include "account/WebPages.h"
#include "library/AccountRecords.h"
#include "library/LibraryReader.h"
#include "store/CaptureStore.h"

#include "TempLibrary.h"
#include "ledger/SyncLedger.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tavro;
using Kind = SyncStatus::Kind;
using Outcome = SignInAttempts::Outcome;

namespace {

DeviceCode code(const char* userCode) {
    DeviceCode code;
    code.userCode = userCode;
    return code;
}

} // namespace

TEST(SignInAttempts, OnlyTheCurrentAttemptChangesTheCodeAndTheError) {
    struct Case {
        const char* name;
        std::function<void(SignInAttempts&)> steps;
        std::optional<std::string> code;
        std::optional<std::string> error;
        bool running;
    };
    const Outcome cancelled{Outcome::Kind::cancelled, {}};
    const Outcome denied{Outcome::Kind::failed, "The sign-in was denied in the browser."};
    const std::vector<Case> cases = {
        {"a code waits for approval",
         [](SignInAttempts& s) { s.codeArrived(s.start(), code("AAAA")); },
         "AAAA",
         {},
         true},
        {"approval clears the code",
         [](SignInAttempts& s) {
             auto a = s.start();
             s.codeArrived(a, code("AAAA"));
             s.ended(a, {});
         },
         {},
         {},
         false},
        {"a failure shows its text and clears the code",
         [&](SignInAttempts& s) {
             auto a = s.start();
             s.codeArrived(a, code("AAAA"));
             s.ended(a, denied);
         },
         {},
         denied.error,
         false},
        {"cancel clears the code at once and keeps the error",
         [&](SignInAttempts& s) {
             s.ended(s.start(), denied);
             auto b = s.start();
             s.codeArrived(b, code("BBBB"));
             s.cancel();
             s.ended(b, cancelled);
         },
         {},
         {},
         false},
        {"restarting clears the error",
         [&](SignInAttempts& s) {
             s.ended(s.start(), denied);
             s.start();
         },
         {},
         {},
         true},
        {"the cancelled attempt's clean-up leaves the restarted one's code",
         [&](SignInAttempts& s) {
             auto a = s.start();
             s.codeArrived(a, code("AAAA"));
             s.cancel();
             auto b = s.start();
             s.codeArrived(b, code("BBBB"));
             s.ended(a, cancelled);
         },
         "BBBB",
         {},
         true},
        {"a replaced attempt's late code and failure are not shown",
         [&](SignInAttempts& s) {
             auto a = s.start();
             auto b = s.start();
             s.codeArrived(a, code("AAAA"));
             s.ended(a, denied);
             s.codeArrived(b, code("BBBB"));
         },
         "BBBB",
         {},
         true},
        {"a cancelled attempt that ends in success changes nothing",
         [&](SignInAttempts& s) {
             auto a = s.start();
             s.cancel();
             s.ended(a, {});
         },
         {},
         {},
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SignInAttempts attempts;
        c.steps(attempts);
        EXPECT_EQ(attempts.code() ? std::optional(attempts.code()->userCode) : std::nullopt,
                  c.code);
        EXPECT_EQ(attempts.error(), c.error);
        EXPECT_EQ(attempts.running(), c.running);
    }
}

TEST(SyncStatusLine, OneLinePerStatus) {
    const Seconds now = 1'800'000'000;
    struct Case {
        SyncStatus status;
        std::string line;
    };
    const std::vector<Case> cases = {
        {{Kind::idle}, "Synced"},
        {{Kind::idle, now - 300}, "Synced 5m ago"},
        {{Kind::offline, {}, "The service can't be reached."},
         "Offline — The service can't be reached."},
        {{Kind::failed, {}, "The server answered 500."}, "Sync problem — The server answered 500."},
        {{Kind::signedOut}, "Not signed in"},
        {{Kind::syncing}, "Syncing…"},
        {{Kind::sessionExpired}, "Signed out — sign in again to keep syncing"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(syncStatusLine(c.status, now), c.line);
}

TEST(WebPages, AddressesAndWhatTheBrowserMayOpen) {
    EXPECT_EQ(webPageAddress("/app", std::nullopt), "https://tavro.dev/app");
    EXPECT_EQ(webPageAddress("/sign-up", "http://127.0.0.1:8080/"),
              "http://127.0.0.1:8080//sign-up");
    EXPECT_EQ(webPageAddress("/app", ""), "/app");
    {
        test::ScopedEnv web("TAVRO_WEB_URL", "http://localhost:5173");
        EXPECT_EQ(webOriginOverride(), "http://localhost:5173");
    }
    struct Case {
        const char* text;
        bool opens;
    };
    const std::vector<Case> cases = {
        {"https://tavro.dev/device?user_code=ABCD-EFGH", true},
        {"HTTP://127.0.0.1:9000/device", true},
        {"javascript:alert(1)", false},
        {"file:///etc/passwd", false},
        {"tavro://open", false},
        {"https://", false},
        {"/app", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(browsableURL(c.text).has_value(), c.opens) << c.text;
}

TEST(AccountRecords, TheUserComesFromThePeopleTableElseFromTheStoredNameOrYou) {
    struct Case {
        const char* name;
        std::optional<std::string> userID;
        std::optional<std::string> userName;
        bool personRow;
        std::optional<Person> me;
    };
    const Person ada{"u1", "Ada Row", "ada@example.test", "https://img/ada.png", "person"};
    const std::vector<Case> cases = {
        {"no user id, no user", {}, "Ada", true, {}},
        {"the people row", "u1", "Ada Meta", true, ada},
        {"the stored name", "u1", "Ada Meta", false,
         Person{"u1", "Ada Meta", "ada@meta.test", {}, "person"}},
        {"no name: You", "u1", {}, false, Person{"u1", "You", "ada@meta.test", {}, "person"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempLibrary library;
        CaptureStore store(library.database(), defaultStoreChangeNotifier());
        store.setSyncMeta("user_id", c.userID);
        store.setSyncMeta("user_name", c.userName);
        store.setSyncMeta("user_email", "ada@meta.test");
        if (c.personRow)
            SyncLedger(store).upsertPerson(ada);
        EXPECT_EQ(readAccountRecords(store, 60).me, c.me);
    }
}

TEST(AccountRecords, WorkspacesDefaultLocalCapturesAndTheNewestLogLines) {
    test::TempLibrary library;
    CaptureStore store(library.database(), defaultStoreChangeNotifier());
    for (int i = 0; i < 3; ++i) {
        Capture capture;
        capture.id = "local-" + std::to_string(i);
        capture.createdAt = capture.updatedAt = 1000 + i;
        store.insert(capture);
    }
    SyncLedger(store).replaceWorkspaces({{"w1", "Team"}, {"w2", "Side"}});
    store.setSyncMeta("default_workspace_id", "w2");
    for (int i = 0; i < 5; ++i)
        SyncLedger(store).log(i == 4 ? "error" : "info", "line " + std::to_string(i));
    const auto snapshot = readAccountRecords(store, 3);
    // The reader publishes them with the board, the workspaces among its own values.
    LibraryReader reader(library.database());
    const auto state = reader.read(nullptr, LibraryReader::Reading::whole).state;
    ASSERT_TRUE(state);
    EXPECT_EQ(state->account, readAccountRecords(store));
    EXPECT_EQ(snapshot.defaultWorkspaceID, "w2");
    EXPECT_EQ(snapshot.localCaptureCount, 3);
    ASSERT_EQ(snapshot.log.size(), 3u);
    EXPECT_EQ(snapshot.log[0].message, "line 4");
    EXPECT_EQ(snapshot.log[0].level, "error");
    EXPECT_EQ(snapshot.log[2].message, "line 2");
    ASSERT_EQ(state->workspaces.size(), 2u);
}
