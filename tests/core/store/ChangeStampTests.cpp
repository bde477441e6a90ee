#include "store/CaptureStore.h"

#include "TempLibrary.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavro;
using namespace tavro::test;

namespace {

// The app's store, and a second connection to the same file standing in for another program.
struct ChangeStampTest : ::testing::Test {
    TempLibrary library;
    CaptureStore store{library.database(), std::make_shared<NullStoreChangeNotifier>()};
    Database other{library.database()};

    void SetUp() override {
        other.executeRaw(R"SQL(
INSERT INTO captures (id, created_at, updated_at, image_path) VALUES ('c1', 1, 10, 'a.png');
INSERT INTO captures (id, created_at, updated_at, image_path) VALUES ('c2', 1, 10, 'b.png');
INSERT INTO capture_images (id, capture_id, image_path, created_at) VALUES ('i1', 'c1', 'a.png', 1);
INSERT INTO groups (id, name, created_at, updated_at) VALUES ('g1', 'Web', 1, 1);
INSERT INTO group_members (group_id, user_id) VALUES ('g1', 'u1');
INSERT INTO tags (id, name, created_at) VALUES ('t1', 'ui', 1), ('t2', 'api', 1);
INSERT INTO capture_tags (capture_id, tag_id) VALUES ('c1', 't1');
INSERT INTO comments (id, capture_id, author, body, created_at) VALUES ('m1', 'c1', 'you', 'x', 5);
INSERT INTO people (id, name, updated_at) VALUES ('u1', 'Ada', 1);
INSERT INTO workspaces (id, name, slug, role, updated_at) VALUES ('w1', 'Team', 'team', 'owner', 1);
INSERT INTO sync_meta (key, value) VALUES ('user_id', 'u1'), ('cursor', '1');
)SQL");
    }
};

struct StampCase {
    const char* name;
    const char* sql;
    bool changes;
};

} // namespace

TEST_F(ChangeStampTest, AnotherProgramsCommitChangesTheStampWhenTheBoardCanSeeIt) {
    const std::vector<StampCase> cases = {
        {"capture added",
         "INSERT INTO captures (id, created_at, updated_at, image_path) VALUES "
         "('c3', 1, 1700000000.25, '');",
         true},
        {"capture soft-deleted",
         "UPDATE captures SET deleted_at = 5, updated_at = 11 WHERE id = 'c2';", true},
        {"note edited, counts and times kept", "UPDATE captures SET note = 'new' WHERE id = 'c1';",
         true},
        {"comment added",
         "INSERT INTO comments (id, capture_id, author, body, created_at) VALUES "
         "('m2', 'c1', 'you', 'y', 1700000002.5);",
         true},
        {"comment edited", "UPDATE comments SET body = 'z' WHERE id = 'm1';", true},
        {"group created",
         "INSERT INTO groups (id, name, created_at, updated_at) VALUES "
         "('g2', 'Mobile', 1, 1);",
         true},
        {"group renamed, times kept", "UPDATE groups SET name = 'Site' WHERE id = 'g1';", true},
        {"group member removed", "UPDATE group_members SET removed_at = 3 WHERE user_id = 'u1';",
         true},
        {"tag swapped on the same row",
         "DELETE FROM capture_tags WHERE capture_id = 'c1';"
         "INSERT INTO capture_tags (capture_id, tag_id) VALUES ('c1', 't2');",
         true},
        {"tag renamed", "UPDATE tags SET name = 'frontend' WHERE id = 't1';", true},
        {"mark-up saved", "UPDATE capture_images SET annotation_json = '{}' WHERE id = 'i1';",
         true},
        {"screenshot removed", "DELETE FROM capture_images WHERE id = 'i1';", true},
        {"history entry",
         "INSERT INTO activity (id, capture_id, kind, created_at) VALUES "
         "('a1', 'c1', 'claimed', 2);",
         true},
        {"person renamed", "UPDATE people SET name = 'Ada L.' WHERE id = 'u1';", true},
        {"workspace role changed", "UPDATE workspaces SET role = 'guest' WHERE id = 'w1';", true},
        {"signed-in user changed", "UPDATE sync_meta SET value = 'u2' WHERE key = 'user_id';",
         true},
        {"signed out", "DELETE FROM sync_meta WHERE key = 'user_id';", true},
        {"sync cursor moved", "UPDATE sync_meta SET value = '2' WHERE key = 'cursor';", false},
        {"sync log line", "INSERT INTO sync_log (at, level, message) VALUES (1, 'info', 'x');",
         false},
        {"update that matches no row", "UPDATE captures SET note = 'n' WHERE id = 'missing';",
         false},
    };
    for (const auto& c : cases) {
        const auto before = store.changeCounter();
        other.executeRaw(c.sql);
        EXPECT_EQ(store.changeCounter() != before, c.changes) << c.name;
    }
}

TEST_F(ChangeStampTest, ARolledBackWriteLeavesTheStamp) {
    const auto before = store.changeCounter();
    EXPECT_THROW(other.transaction([&] {
        other.execute("UPDATE groups SET name = 'Site' WHERE id = 'g1';");
        other.execute("INSERT INTO groups (id, name, created_at, updated_at) VALUES ('g1', 'x', 1, "
                      "1);"); // duplicate id
    }),
                 DatabaseError);
    EXPECT_EQ(store.changeCounter(), before);
}

TEST(ChangeStampOpening, ALibraryWithoutTheCounterGainsItOnceAndKeepsItsRows) {
    TempLibrary library;
    {
        // A library written before the counter existed.
        Database db(library.database());
        Schema::migrate(db);
        db.execute("INSERT INTO groups (id, name, created_at, updated_at) VALUES ('g1', 'Web', 1, "
                   "1);");
    }
    CaptureStore first(library.database(), std::make_shared<NullStoreChangeNotifier>());
    const auto stamp = first.changeCounter();
    CaptureStore second(library.database(), std::make_shared<NullStoreChangeNotifier>());
    EXPECT_EQ(second.changeCounter(), stamp);
    ASSERT_EQ(second.groups().size(), 1u);
    EXPECT_EQ(second.groups()[0].name, "Web");
    first.db().execute("UPDATE groups SET color_hex = '#000000' WHERE id = 'g1';");
    EXPECT_NE(second.changeCounter(), stamp);
    EXPECT_EQ(second.db().query("PRAGMA user_version;").front().intValue("user_version"), 5);
}
