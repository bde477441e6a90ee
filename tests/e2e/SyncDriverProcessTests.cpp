#include "store/CaptureStore.h"

#include "PrivateKeyring.h"
#include "ProcessRunner.h"
#include "SyncService.h"
#include "TempLibrary.h"
#include "WaitUntil.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

using namespace tavro;
using namespace tavro::test;
using namespace std::chrono_literals;

namespace {

// The driver on a fresh library against a fresh stand-in, with a private keyring.
struct SyncDriverProcess : ::testing::Test {
    PrivateKeyring keyring;
    TempLibrary library;
    SyncService service;
    ScopedEnv api{"TAVRO_API_URL", service.baseURL()};

    SyncDriverProcess() { service.configure({{"device_interval", 2}}); }

    static ProcessResult driver(const std::string& command) {
        return ProcessRunner::run({TAVRO_SYNC_DRIVER, command});
    }

    CaptureStore store() {
        return CaptureStore(library.database(), std::make_shared<NullStoreChangeNotifier>());
    }

    // Runs "sign-in" and approves its code once the service has issued it.
    ProcessResult signIn() {
        auto run = std::async(std::launch::async, [] { return driver("sign-in"); });
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (service.inspect("device-codes").empty() && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(20ms);
        service.approve();
        return run.get();
    }
};

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

} // namespace

TEST_F(SyncDriverProcess, SignsInSyncsAndSignsOut) {
    EXPECT_EQ(firstLine(driver("status").out), "signed out");

    const auto signedIn = signIn();
    ASSERT_EQ(signedIn.exitCode, 0) << signedIn.err;
    const auto codes = service.inspect("device-codes");
    ASSERT_FALSE(codes.empty());
    EXPECT_NE(signedIn.out.find("user_code: "), std::string::npos) << signedIn.out;
    {
        auto library = store();
        EXPECT_EQ(library.syncMeta("user_id"), SyncService::userID);
        EXPECT_EQ(library.syncMeta("default_workspace_id"), SyncService::workspaceID);
        EXPECT_TRUE(library.syncMeta("device_id"));
    }

    const auto synced = driver("sync");
    EXPECT_EQ(synced.exitCode, 0) << synced.out << synced.err;
    EXPECT_TRUE(synced.out.starts_with("idle 20")) << synced.out;
    EXPECT_TRUE(driver("status").out.starts_with("idle 20")) << "the token lives in the keyring";

    const auto out = driver("sign-out");
    EXPECT_EQ(out.exitCode, 0) << out.err;
    EXPECT_EQ(firstLine(driver("status").out), "signed out");
    EXPECT_FALSE(store().syncMeta("user_id"));
}

TEST_F(SyncDriverProcess, MoveLocalFilesTheLocalCapturesAndSignOutKeepsThoseNeverShared) {
    {
        auto library = store();
        for (const char* id : {"c1", "c2"})
            library.db().execute("INSERT INTO captures (id, created_at, updated_at, image_path) "
                                 "VALUES (?, 1, 1, '');",
                                 {id});
    }
    ASSERT_EQ(driver("move-local").exitCode, 1) << "no default workspace before sign-in";
    ASSERT_EQ(signIn().exitCode, 0);
    const auto moved = driver("move-local");
    EXPECT_EQ(moved.exitCode, 0) << moved.err;
    {
        auto library = store();
        EXPECT_TRUE(library.localCaptures().empty());
        EXPECT_EQ(library.rawCapture("c1")->workspaceID, SyncService::workspaceID);
    }
    // The move's pass pushed both; what came after it was never shared.
    EXPECT_EQ(service.inspect("state").at("tables").at("captures").size(), 2u);
    store().db().execute(
        "INSERT INTO captures (id, created_at, updated_at, image_path) VALUES ('c3', 1, 1, '');");
    ASSERT_EQ(driver("sign-out").exitCode, 0);
    const auto kept = store().localCaptures();
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0].id, "c3");
    EXPECT_FALSE(store().rawCapture("c1"));
}

TEST_F(SyncDriverProcess, AnExpiredTokenSignsOutWithOneLogLine) {
    ASSERT_EQ(signIn().exitCode, 0);
    service.expireToken();
    const auto synced = driver("sync");
    EXPECT_EQ(synced.exitCode, 1);
    EXPECT_EQ(firstLine(synced.out), "session expired");
    EXPECT_EQ(firstLine(driver("sync").out), "signed out") << "the keyring lost the token";
    auto lines = store().syncLog(10);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, "warn");
    EXPECT_EQ(lines[0].message, "Session rejected by the server; signed out");
}

TEST_F(SyncDriverProcess, ADeniedSignInEndsWithItsText) {
    auto run = std::async(std::launch::async, [] { return driver("sign-in"); });
    const auto until = std::chrono::steady_clock::now() + 10s;
    while (service.inspect("device-codes").empty() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(20ms);
    service.deny();
    const auto result = run.get();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("The sign-in was denied in the browser."), std::string::npos);
    EXPECT_EQ(firstLine(driver("status").out), "signed out");
}

TEST_F(SyncDriverProcess, ASignOutWhileAnotherProgramHoldsTheLibraryFailsWholeAndCanBeRepeated) {
    ASSERT_EQ(signIn().exitCode, 0);
    store().db().execute("INSERT INTO captures (id, created_at, updated_at, image_path) "
                         "VALUES ('c1', 1, 1, '');");
    ASSERT_EQ(driver("move-local").exitCode, 0);
    ASSERT_EQ(store().syncMeta("default_workspace_id"), SyncService::workspaceID);

    // Another program takes the write lock and keeps it until told to let go.
    const auto held = library.root() / "held";
    const auto release = library.root() / "release";
    auto holder = std::async(std::launch::async, [&] {
        return ProcessRunner::run({TAVRO_PYTHON, "-c",
                                   "import os, sqlite3, sys, time\n"
                                   "db = sqlite3.connect(sys.argv[1], isolation_level=None)\n"
                                   "db.execute('BEGIN IMMEDIATE')\n"
                                   "open(sys.argv[2], 'w').close()\n"
                                   "while not os.path.exists(sys.argv[3]): time.sleep(0.02)\n"
                                   "db.execute('ROLLBACK')\n",
                                   library.database().string(), held.string(), release.string()});
    });
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(held); }, 20s));
    const auto refused = driver("sign-out");
    writeFile(release, "");
    ASSERT_EQ(holder.get().exitCode, 0);

    EXPECT_EQ(refused.exitCode, 1) << refused.out << refused.err;
    EXPECT_TRUE(firstLine(refused.out).starts_with("failed: Couldn't sign out: ")) << refused.out;
    {
        auto library = store();
        EXPECT_EQ(library.syncMeta("user_id"), SyncService::userID) << "nothing half forgotten";
        EXPECT_EQ(library.syncMeta("default_workspace_id"), SyncService::workspaceID);
        EXPECT_TRUE(library.syncMeta("cursor"));
        EXPECT_EQ(library.rawCapture("c1")->workspaceID, SyncService::workspaceID);
    }
    EXPECT_TRUE(driver("status").out.starts_with("idle")) << "the session is still there";

    const auto out = driver("sign-out");
    EXPECT_EQ(out.exitCode, 0) << out.out << out.err;
    EXPECT_EQ(firstLine(driver("status").out), "signed out");
    auto library = store();
    EXPECT_FALSE(library.syncMeta("user_id"));
    EXPECT_FALSE(library.syncMeta("cursor"));
    EXPECT_FALSE(library.syncMeta("default_workspace_id"));
    EXPECT_FALSE(library.rawCapture("c1")) << "the shared capture went with the account";
}
