#include "store/Schema.h"

#include "ProcessRunner.h"
#include "TempLibrary.h"
#include "store/Database.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace fs = std::filesystem;
using namespace tavro;
using tavro::test::TempFolder;

namespace {

std::vector<std::string> column(const std::vector<Row>& rows, const char* name) {
    std::vector<std::string> out;
    for (const auto& row : rows)
        out.push_back(row.string(name).value_or("?"));
    return out;
}

int userVersion(Database& db) {
    return int(*db.query("PRAGMA user_version;").front().intValue("user_version"));
}

std::vector<std::string> schemaOf(Database& db) {
    std::vector<std::string> out;
    for (const auto& row :
         db.query("SELECT type, name, sql FROM sqlite_master ORDER BY type, name;"))
        out.push_back(row.string("type").value_or("") + " " + row.string("name").value_or("") +
                      ": " + row.string("sql").value_or(""));
    return out;
}

std::vector<std::string> columnsOf(Database& db, const std::string& table) {
    return column(db.query("SELECT name FROM pragma_table_info(?) ORDER BY cid;", {table}), "name");
}

void loadFixture(Database& db, int version) {
    auto file = fs::path(TAVRO_TEST_FIXTURES) / ("library-v" + std::to_string(version) + ".sql");
    db.executeRaw(test::readFile(file));
}

struct SchemaTest : ::testing::Test {
    TempFolder folder;
    fs::path file = folder.path() / "tavro.sqlite";
};

} // namespace

TEST_F(SchemaTest, AnEmptyFileReachesTheCurrentLayout) {
    Database db(file);
    Schema::migrate(db);
    EXPECT_EQ(userVersion(db), 5);
    EXPECT_EQ(column(db.query("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name;"),
                     "name"),
              (std::vector<std::string>{"activity", "capture_images", "capture_tags", "captures",
                                        "comments", "group_members", "groups", "people",
                                        "sqlite_sequence", "sync_log", "sync_meta", "tags",
                                        "workspaces"}));
    EXPECT_EQ(column(db.query("SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT "
                              "NULL ORDER BY name;"),
                     "name"),
              (std::vector<std::string>{
                  "idx_activity_capture", "idx_activity_created", "idx_capture_images_capture",
                  "idx_capture_tags_tag", "idx_captures_board", "idx_captures_created",
                  "idx_captures_group", "idx_captures_status", "idx_captures_sync",
                  "idx_captures_workspace", "idx_comments_capture", "idx_groups_name",
                  "idx_groups_path", "idx_tags_name"}));
    EXPECT_EQ(
        columnsOf(db, "captures"),
        (std::vector<std::string>{"id",           "created_at",     "updated_at",    "note",
                                  "status",       "priority",       "group_id",      "image_path",
                                  "thumb_path",   "image_width",    "image_height",  "image_bytes",
                                  "capture_mode", "app_name",       "app_bundle_id", "window_title",
                                  "url",          "display_name",   "claimed_by",    "claimed_at",
                                  "resolved_at",  "resolution_ref", "remote_id",     "sync_state",
                                  "dirty",        "deleted_at",     "display_scale", "workspace_id",
                                  "author_id",    "assignee_id",    "claimed_by_id", "version",
                                  "pending",      "local_only"}));
    EXPECT_EQ(columnsOf(db, "groups"),
              (std::vector<std::string>{
                  "id", "name", "color_hex", "path", "created_at", "updated_at", "remote_id",
                  "sync_state", "dirty", "deleted_at", "workspace_id", "visibility", "created_by",
                  "default_assignee_id", "archived_at", "version", "pending"}));
    EXPECT_EQ(columnsOf(db, "capture_images"), (std::vector<std::string>{"id",
                                                                         "capture_id",
                                                                         "position",
                                                                         "image_path",
                                                                         "annotated_path",
                                                                         "thumb_path",
                                                                         "width",
                                                                         "height",
                                                                         "bytes",
                                                                         "annotation_json",
                                                                         "created_at",
                                                                         "remote_id",
                                                                         "sync_state",
                                                                         "dirty",
                                                                         "original_sha256",
                                                                         "marked_sha256",
                                                                         "thumb_sha256",
                                                                         "version",
                                                                         "pending",
                                                                         "deleted_at"}));
    EXPECT_EQ(
        columnsOf(db, "comments"),
        (std::vector<std::string>{"id", "capture_id", "author", "is_agent", "body", "created_at",
                                  "author_id", "actor_label", "kind", "sync_state"}));
    EXPECT_EQ(columnsOf(db, "activity"),
              (std::vector<std::string>{"id", "capture_id", "kind", "detail", "actor", "created_at",
                                        "actor_id", "remote"}));
    EXPECT_EQ(db.query("PRAGMA foreign_keys;").front().intValue("foreign_keys"), 1);
}

TEST_F(SchemaTest, EveryEarlierVersionMigratesToTheSameLayout) {
    TempFolder freshFolder;
    Database fresh(freshFolder.path() / "fresh.sqlite");
    Schema::migrate(fresh);
    const auto expected = schemaOf(fresh);
    for (int version = 1; version <= 4; ++version) {
        TempFolder versionFolder;
        Database db(versionFolder.path() / "tavro.sqlite");
        loadFixture(db, version);
        ASSERT_EQ(userVersion(db), version);
        Schema::migrate(db);
        EXPECT_EQ(userVersion(db), 5) << version;
        EXPECT_EQ(schemaOf(db), expected) << "from version " << version;
        EXPECT_TRUE(db.query("PRAGMA foreign_key_check;").empty()) << version;
    }
}

TEST_F(SchemaTest, VersionOneGainsScreenshotRowsForLiveCaptures) {
    Database db(file);
    loadFixture(db, 1);
    Schema::migrate(db);
    auto rows = db.query("SELECT capture_id, position, image_path, thumb_path, width, height, "
                         "bytes, created_at, length(id) AS n FROM capture_images ORDER BY "
                         "capture_id;");
    ASSERT_EQ(rows.size(), 2u); // c3 is soft-deleted
    EXPECT_EQ(rows[0].string("capture_id"), "c1");
    EXPECT_EQ(rows[0].intValue("position"), 0);
    EXPECT_EQ(rows[0].string("image_path"), "2023/11/c1.png");
    EXPECT_EQ(rows[0].string("thumb_path"), "2023/11/c1.jpg");
    EXPECT_EQ(rows[0].intValue("width"), 800);
    EXPECT_EQ(rows[0].intValue("bytes"), 12345);
    EXPECT_EQ(rows[0].doubleValue("created_at"), 1700000100.0);
    EXPECT_EQ(rows[0].intValue("n"), 32);
    EXPECT_EQ(rows[1].string("capture_id"), "c2");
    EXPECT_EQ(rows[1].string("image_path"), "");
    EXPECT_EQ(db.query("SELECT group_id FROM captures WHERE id = 'c1';").front().string("group_id"),
              "p1");
}

TEST_F(SchemaTest, ProjectsBecomeGroupsAndExistingScreenshotsStay) {
    Database db(file);
    loadFixture(db, 2);
    Schema::migrate(db);
    EXPECT_EQ(column(db.query("SELECT name FROM groups ORDER BY id;"), "name"),
              (std::vector<std::string>{"Website", "App"}));
    EXPECT_EQ(column(db.query("SELECT group_id FROM captures ORDER BY id;"), "group_id"),
              (std::vector<std::string>{"p1", "p2"}));
    EXPECT_EQ(column(db.query("SELECT id FROM capture_images ORDER BY position;"), "id"),
              (std::vector<std::string>{"i1", "i2"}));
    EXPECT_EQ(column(db.query("SELECT \"table\" AS t FROM pragma_foreign_key_list('captures') "
                              "ORDER BY t;"),
                     "t"),
              (std::vector<std::string>{"groups"}));
    // Deleting a group keeps its captures, without a group.
    db.execute("DELETE FROM groups WHERE id = 'p1';");
    EXPECT_TRUE(db.query("SELECT group_id FROM captures WHERE id = 'c1';")
                    .front()
                    .value("group_id")
                    ->isNull());
}

TEST_F(SchemaTest, IdentifiersAreLowerCasedEverywhere) {
    Database db(file);
    loadFixture(db, 4);
    Schema::migrate(db);
    const std::string capture = "a1b2c3d4-0000-4000-8000-00000000000a";
    EXPECT_EQ(db.query("SELECT group_id FROM captures;").front().string("group_id"),
              "6f9619ff-8b86-d011-b42d-00c04fc964ff");
    for (const char* table : {"capture_images", "capture_tags", "comments", "activity"})
        EXPECT_EQ(db.query(std::string("SELECT capture_id FROM ") + table + ";")
                      .front()
                      .string("capture_id"),
                  capture)
            << table;
    EXPECT_EQ(db.query("SELECT tag_id FROM capture_tags;").front().string("tag_id"),
              "c1b2c3d4-0000-4000-8000-00000000000c");
    EXPECT_EQ(db.query("SELECT name FROM tags;").front().string("name"), "UI");
    EXPECT_TRUE(db.query("PRAGMA foreign_key_check;").empty());
    // Deleting the capture cascades through the lower-cased references.
    db.execute("DELETE FROM captures;");
    for (const char* table : {"capture_images", "capture_tags", "comments", "activity"})
        EXPECT_TRUE(db.query(std::string("SELECT 1 FROM ") + table + ";").empty()) << table;
}

TEST_F(SchemaTest, GroupNamesAreUniquePerWorkspaceAmongLiveGroups) {
    Database db(file);
    Schema::migrate(db);
    auto add = [&](const char* id, const char* name, SQLValue workspace, SQLValue deleted) {
        db.execute("INSERT INTO groups (id, name, created_at, updated_at, workspace_id, "
                   "deleted_at) VALUES (?, ?, 0, 0, ?, ?);",
                   {id, name, workspace, deleted});
    };
    add("a", "Web", nullptr, nullptr);
    add("b", "Web", "w1", nullptr);
    add("c", "Web", nullptr, 5.0);
    add("d", "web", nullptr, nullptr);
    EXPECT_THROW(add("e", "Web", nullptr, nullptr), DatabaseError);
}

TEST_F(SchemaTest, ALibraryOfTheCurrentVersionGainsTheBoardIndexAndKeepsItsVersion) {
    {
        // As an earlier release left it: version 5, without the index.
        Database db(file);
        Schema::migrate(db);
        db.executeRaw("DROP INDEX idx_captures_board;");
    }
    Database db(file);
    Schema::migrate(db);
    EXPECT_EQ(userVersion(db), 5);
    EXPECT_EQ(db.query("SELECT name FROM sqlite_master WHERE name = 'idx_captures_board';").size(),
              1u);
    // A page of the listing is read in the board's order from it, not sorted from every row.
    std::string plan;
    for (const auto& row :
         db.query("EXPLAIN QUERY PLAN SELECT rowid FROM captures c WHERE c.deleted_at IS NULL AND "
                  "+c.status IN ('open','in_progress') ORDER BY CASE c.priority WHEN 'high' THEN "
                  "0 WHEN 'normal' THEN 1 ELSE 2 END, c.created_at DESC LIMIT 25;"))
        plan += row.string("detail").value_or("") + "\n";
    EXPECT_NE(plan.find("USING INDEX idx_captures_board"), std::string::npos) << plan;
    EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << plan;
}

TEST_F(SchemaTest, ACurrentFileIsLeftUntouched) {
    {
        Database db(file);
        Schema::migrate(db);
        db.executeRaw("PRAGMA user_version = 7;");
    }
    Database db(file);
    auto before = schemaOf(db);
    Schema::migrate(db);
    EXPECT_EQ(userVersion(db), 7);
    EXPECT_EQ(schemaOf(db), before);
}

// Tables added after the last step arrive without a new version, once, in a file of any
// version; a later opening writes nothing.
TEST_F(SchemaTest, LateTablesJoinAnyFileWithoutANewVersion) {
    for (int version : {0, 4, 5}) {
        SCOPED_TRACE(version);
        TempFolder folder;
        Database db(folder.path() / "tavro.sqlite");
        if (version == 4)
            loadFixture(db, 4);
        if (version > 0)
            Schema::migrate(db);
        Schema::addLateTables(db);
        EXPECT_EQ(columnsOf(db, "blob_failures"),
                  (std::vector<std::string>{"image_id", "transfer", "shape", "wait", "retry_at"}));
        EXPECT_EQ(userVersion(db), version == 0 ? 0 : 5);
        const auto before = schemaOf(db);
        Schema::addLateTables(db);
        EXPECT_EQ(schemaOf(db), before);
    }
    // A screenshot's record goes with it.
    Database db(file);
    Schema::migrate(db);
    Schema::addLateTables(db);
    db.executeRaw("INSERT INTO captures (id, created_at, updated_at, image_path) VALUES "
                  "('c', 0, 0, ''); INSERT INTO capture_images (id, capture_id, image_path, "
                  "created_at) VALUES ('s', 'c', '', 0); INSERT INTO blob_failures VALUES "
                  "('s', 'upload', '', 30, 60);");
    db.executeRaw("DELETE FROM captures;");
    EXPECT_TRUE(db.query("SELECT * FROM blob_failures;").empty());
}

TEST_F(SchemaTest, AFailedStepLeavesTheOldVersionWhole) {
    Database db(file);
    loadFixture(db, 4);
    // A layout that disagrees with its version: step 5's column already exists.
    db.executeRaw("ALTER TABLE comments ADD COLUMN actor_label TEXT;");
    auto before = schemaOf(db);
    EXPECT_THROW(Schema::migrate(db), DatabaseError);
    EXPECT_EQ(userVersion(db), 4);
    EXPECT_EQ(schemaOf(db), before);
    EXPECT_EQ(db.query("SELECT id FROM groups;").front().string("id"),
              "6F9619FF-8B86-D011-B42D-00C04FC964FF");
    EXPECT_EQ(db.query("PRAGMA foreign_keys;").front().intValue("foreign_keys"), 1);
}

TEST_F(SchemaTest, ManyProgramsOpeningOneLibraryAtOnceAllSucceed) {
    for (int version : {0, 1}) {
        TempFolder library;
        auto path = library.path() / "tavro.sqlite";
        if (version > 0) {
            Database db(path);
            loadFixture(db, version);
        }
        std::vector<std::unique_ptr<test::ProcessRunner>> runners;
        for (int i = 0; i < 6; ++i) {
            runners.push_back(std::make_unique<test::ProcessRunner>(
                std::vector<std::string>{TAVRO_STORE_PROBE, "open", path.string()}));
        }
        for (auto& runner : runners)
            runner->start();
        for (auto& runner : runners) {
            auto result = runner->wait();
            EXPECT_EQ(result.exitCode, 0) << "from version " << version << ": " << result.err;
            EXPECT_EQ(result.out, "ok\n");
        }
        Database db(path);
        EXPECT_EQ(userVersion(db), 5);
        if (version == 1) {
            EXPECT_EQ(db.query("SELECT 1 FROM capture_images;").size(), 2u);
        }
    }
}
