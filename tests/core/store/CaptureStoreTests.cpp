#include "store/CaptureStore.h"

#include "CountingNotifier.h"
#include "TempLibrary.h"
#include "model/Paths.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;

namespace {

struct CaptureStoreTest : ::testing::Test {
    TempLibrary library;
    std::shared_ptr<CountingNotifier> notifier = std::make_shared<CountingNotifier>();
    CaptureStore store{library.database(), notifier};

    void addCapture(const char* id, double updated) {
        store.db().execute("INSERT INTO captures (id, created_at, updated_at, image_path) VALUES "
                           "(?, 1, ?, '');",
                           {id, updated});
    }
};

} // namespace

TEST_F(CaptureStoreTest, OpeningCreatesTheLibrary) {
    for (auto name : {"captures", "thumbs", "logs"})
        EXPECT_TRUE(fs::is_directory(library.root() / name));
    EXPECT_TRUE(fs::exists(library.database()));
    EXPECT_EQ(store.db().query("PRAGMA user_version;").front().intValue("user_version"), 5);
    EXPECT_EQ(store.db().query("PRAGMA journal_mode;").front().string("journal_mode"), "wal");
}

TEST_F(CaptureStoreTest, SyncMetaReadsWritesAndDeletes) {
    EXPECT_EQ(store.syncMeta("user_id"), std::nullopt);
    EXPECT_EQ(store.currentUserID(), std::nullopt);
    store.setSyncMeta("user_id", "u-1");
    store.setSyncMeta("user_name", "Ada");
    store.setSyncMeta("default_workspace_id", "w-1");
    EXPECT_EQ(store.syncMeta("user_id"), "u-1");
    EXPECT_EQ(store.currentUserID(), "u-1");
    EXPECT_EQ(store.currentUserName(), "Ada");
    EXPECT_EQ(store.defaultWorkspaceID(), "w-1");
    store.setSyncMeta("user_id", "u-2");
    EXPECT_EQ(store.currentUserID(), "u-2");
    store.setSyncMeta("user_id", std::nullopt);
    EXPECT_EQ(store.syncMeta("user_id"), std::nullopt);
    EXPECT_EQ(notifier->count, 0);
}

TEST_F(CaptureStoreTest, ChangeSignalWaitsForTheCommit) {
    store.postChange();
    EXPECT_EQ(notifier->count, 1);
    store.db().transaction([&] {
        addCapture("c1", 1);
        store.postChange();
        EXPECT_EQ(notifier->count, 1);
    });
    EXPECT_EQ(notifier->count, 2);
    auto stamp = store.changeCounter();
    EXPECT_THROW(store.db().transaction([&] {
        addCapture("c2", 2);
        store.postChange();
        addCapture("c1", 3); // duplicate id
    }),
                 DatabaseError);
    EXPECT_EQ(notifier->count, 2);
    EXPECT_EQ(store.changeCounter(), stamp);
}

TEST(CaptureStoreOpening, DefaultLocationTakesTheLegacyLibrary) {
    TempFolder home;
    ScopedEnv homeEnv("HOME", home.path().string());
    ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    ScopedEnv tavroHome("TAVRO_HOME", std::nullopt);
    auto legacy = home.path() / ".local/share/Koldar";
    {
        Database old(legacy / "koldar.sqlite");
        old.executeRaw(readFile(fs::path(TAVRO_TEST_FIXTURES) / "library-v3.sql"));
    }
    // Opening elsewhere makes the folders but never moves the former library.
    {
        TempFolder other;
        CaptureStore elsewhere(other.path() / "tavro.sqlite",
                               std::make_shared<NullStoreChangeNotifier>());
        EXPECT_TRUE(fs::is_directory(home.path() / ".local/share/Tavro/captures"));
        EXPECT_TRUE(fs::exists(legacy / "koldar.sqlite"));
    }
    CaptureStore store(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    EXPECT_FALSE(fs::exists(legacy));
    EXPECT_EQ(store.db().query("SELECT note FROM captures;").front().string("note"), "First");
    EXPECT_EQ(store.db().query("PRAGMA user_version;").front().intValue("user_version"), 5);
}
