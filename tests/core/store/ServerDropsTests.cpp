#include "SyncFixture.h"

#include <functional>

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;

namespace {

struct ServerDropsTest : SyncFixture {
    // A synced workspace capture with screenshots on disk; the first one is marked up.
    std::vector<fs::path> addSynced(const std::string& id, int shots,
                                    const std::optional<std::string>& author = {},
                                    const std::optional<std::string>& group = {},
                                    const std::optional<std::string>& workspaceID = workspace) {
        addCapture(id, workspaceID, false, group);
        store.db().execute("UPDATE captures SET author_id = ? WHERE id = ?;", {author, id});
        std::vector<fs::path> files;
        for (int i = 0; i < shots; ++i) {
            auto image = shot(id, id + "-" + std::to_string(i));
            if (i == 0)
                image.annotatedPath = "2026/01/" + image.id + "-marked.png";
            for (const auto& file : writeFiles(image))
                files.push_back(file);
            store.addImage(image);
        }
        store.db().execute("UPDATE capture_images SET sync_state = 'synced', pending = NULL "
                           "WHERE capture_id = ?;",
                           {id});
        setState("captures", id, "synced");
        return files;
    }

    void addHistory(const std::string& captureID) {
        store.addComment({captureID + "-k",
                          captureID,
                          "you",
                          false,
                          "b",
                          1,
                          {},
                          {},
                          "comment",
                          SyncState::synced});
        store.recordActivity(captureID, "claimed", "", "you", captureID + "-local", 2);
        store.recordActivity(captureID, "claimed", "", "Ada", captureID + "-remote", 3, "p1", true);
        store.setTags({"ui"}, captureID);
    }

    static bool allExist(const std::vector<fs::path>& files) {
        for (const auto& file : files)
            if (!fs::exists(file))
                return false;
        return true;
    }

    static bool noneExist(const std::vector<fs::path>& files) {
        for (const auto& file : files)
            if (fs::exists(file))
                return false;
        return true;
    }
};

} // namespace

TEST_F(ServerDropsTest, DroppingACaptureRemovesItsRowsAndFiles) {
    auto files = addSynced("c1", 2);
    ASSERT_EQ(files.size(), 5u) << "two originals, one marked-up copy, two thumbnails";
    addHistory("c1");
    auto kept = addSynced("c2", 1);
    notifier->count = 0;

    ledger.dropCapture("c1");
    EXPECT_TRUE(noneExist(files));
    EXPECT_TRUE(allExist(kept));
    EXPECT_FALSE(store.rawCapture("c1"));
    EXPECT_EQ(count("FROM capture_images WHERE capture_id = 'c1'"), 0);
    EXPECT_EQ(count("FROM comments WHERE capture_id = 'c1'"), 0);
    EXPECT_EQ(count("FROM activity WHERE capture_id = 'c1'"), 0);
    EXPECT_EQ(count("FROM capture_tags WHERE capture_id = 'c1'"), 0);
    EXPECT_TRUE(fs::is_directory(library.root() / "captures"));
    EXPECT_TRUE(fs::is_directory(library.root() / "thumbs"));
    EXPECT_EQ(notifier->count, 0);

    ledger.dropCapture("no-such-capture");
}

TEST_F(ServerDropsTest, RowsNamingNoFileOrAPlaceOutsideRemoveNothing) {
    const fs::path outside = library.root().parent_path() / "victim.png";
    writeFile(outside, "not yours");
    fs::create_directories(library.root() / "captures" / "2026");
    addCapture("c1", workspace);
    setState("captures", "c1", "synced");
    struct Paths {
        const char* image;
        std::optional<std::string> marked;
        std::optional<std::string> thumb;
    };
    const Paths rows[] = {
        {"", std::nullopt, std::nullopt},
        {"", "", ""},
        {"../victim.png", "../../victim.png", outside.string()},
        {"2026", "2026/.", "."},
    };
    int n = 0;
    for (const auto& paths : rows)
        store.db().execute("INSERT INTO capture_images (id, capture_id, image_path, "
                           "annotated_path, thumb_path, created_at, sync_state) "
                           "VALUES (?, 'c1', ?, ?, ?, 1, 'synced');",
                           {"i" + std::to_string(n++), paths.image, paths.marked, paths.thumb});
    ledger.dropImage("i0");
    ledger.dropCapture("c1");
    EXPECT_EQ(readFile(outside), "not yours");
    EXPECT_TRUE(fs::is_directory(library.root() / "captures" / "2026"));
    EXPECT_TRUE(fs::is_directory(library.root() / "thumbs"));
    EXPECT_FALSE(store.rawCapture("c1"));
}

TEST_F(ServerDropsTest, DroppingAScreenshotRefreshesTheCover) {
    auto files = addSynced("c1", 3);
    const auto first = store.images("c1").front();
    ledger.dropImage(first.id);
    EXPECT_FALSE(ledger.rawImage(first.id));
    EXPECT_FALSE(fs::exists(*TavroPaths::imageFilePath(first.imagePath)));
    EXPECT_FALSE(fs::exists(*TavroPaths::imageFilePath(*first.annotatedPath)));
    EXPECT_FALSE(fs::exists(*TavroPaths::thumbFilePath(*first.thumbPath)));
    auto rest = store.images("c1");
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0].position, 1) << "not renumbered";
    EXPECT_TRUE(fs::exists(*rest[0].originalFilePath()));
    EXPECT_EQ(store.rawCapture("c1")->imagePath, rest[0].imagePath);

    ledger.dropImage("no-such-screenshot");
    EXPECT_EQ(store.images("c1").size(), 2u);
}

TEST_F(ServerDropsTest, DroppingAGroupKeepsTheUsersOwnCaptures) {
    store.setSyncMeta("user_id", "me");
    addGroup("g1", "Web");
    addGroup("g2", "Ops");
    store.db().execute("INSERT INTO group_members (group_id, user_id) VALUES ('g1', 'me'), "
                       "('g1', 'u2'), ('g2', 'u2');");
    auto mine = addSynced("mine", 1, "me", "g1");
    auto theirs = addSynced("theirs", 1, "u2", "g1");
    auto nobodys = addSynced("nobodys", 1, std::nullopt, "g1");
    addSynced("ops", 1, "u2", "g2");

    ledger.dropGroup("g1");
    EXPECT_TRUE(store.rawCapture("mine"));
    EXPECT_EQ(store.rawCapture("mine")->groupID, "g1");
    EXPECT_TRUE(allExist(mine));
    EXPECT_FALSE(store.rawCapture("theirs"));
    EXPECT_FALSE(store.rawCapture("nobodys"));
    EXPECT_TRUE(noneExist(theirs));
    EXPECT_TRUE(noneExist(nobodys));
    EXPECT_TRUE(store.group("g1"));
    EXPECT_TRUE(ledger.groupMemberIDs("g1").empty());

    ledger.dropGroup("g2");
    EXPECT_FALSE(store.group("g2"));
    EXPECT_FALSE(store.rawCapture("ops"));

    // Without a signed-in user every authored capture goes too.
    store.setSyncMeta("user_id", std::nullopt);
    ledger.dropGroup("g1");
    EXPECT_FALSE(store.rawCapture("mine"));
    EXPECT_FALSE(store.group("g1"));
}

TEST_F(ServerDropsTest, DroppingAWorkspaceTakesItsCapturesAndGroups) {
    store.setSyncMeta("user_id", "me");
    addGroup("g1", "Web");
    addGroup("g2", "Web", "w2");
    store.db().execute("INSERT INTO group_members (group_id, user_id) VALUES ('g1', 'u2');");
    ledger.replaceWorkspaces(
        {{"w1", "One", "one", "member", {}}, {"w2", "Two", "two", "member", {}}});
    auto mine = addSynced("mine", 1, "me", "g1");
    store.db().execute("UPDATE captures SET deleted_at = 4 WHERE id = 'mine';");
    auto other = addSynced("other", 1, "me", "g2", "w2");
    addCapture("local", std::nullopt, false, "g1");

    ledger.dropWorkspace("w1");
    EXPECT_FALSE(store.rawCapture("mine"));
    EXPECT_TRUE(noneExist(mine));
    EXPECT_FALSE(store.group("g1"));
    EXPECT_EQ(store.rawCapture("local")->groupID, std::nullopt);
    EXPECT_EQ(count("FROM group_members WHERE group_id = 'g1'"), 1);
    EXPECT_TRUE(store.rawCapture("other"));
    EXPECT_TRUE(allExist(other));
    ASSERT_EQ(store.workspaces().size(), 1u);
    EXPECT_EQ(store.workspaces().front().id, "w2");
}

// Whatever the server orders, a capture it never had stays on this computer with its files:
// it only leaves the workspace.
TEST_F(ServerDropsTest, WhatWasNeverSharedSurvivesEveryDrop) {
    const std::vector<std::pair<const char*, std::function<void()>>> drops = {
        {"dropCapture",
         [&] {
             for (const char* id : {"local", "localOnly", "firstPush"})
                 ledger.dropCapture(id);
         }},
        {"dropImage",
         [&] {
             for (const char* id : {"local-0", "localOnly-0", "firstPush-0", "newShot"})
                 ledger.dropImage(id);
         }},
        {"dropGroup",
         [&] {
             ledger.dropGroup("g1");
         }},
        {"dropWorkspace",
         [&] {
             ledger.dropWorkspace(workspace);
         }},
        {"purgeAccountData",
         [&] {
             ledger.purgeAccountData();
         }},
    };
    for (const auto& [name, drop] : drops) {
        SCOPED_TRACE(name);
        store.db().execute("DELETE FROM captures;");
        store.db().execute("DELETE FROM groups;");
        addGroup("g1", "Web");
        std::vector<fs::path> files;
        for (const char* id : {"local", "localOnly", "firstPush"})
            for (const auto& file : addSynced(id, 1, "other", "g1"))
                files.push_back(file);
        store.db().execute("UPDATE captures SET workspace_id = NULL, sync_state = 'local' "
                           "WHERE id = 'local';");
        store.db().execute("UPDATE captures SET local_only = 1, sync_state = 'local' "
                           "WHERE id = 'localOnly';");
        setState("captures", "firstPush", "pendingPush", R"({"*":true,"note":true})");
        // A screenshot added to a synced capture and not pushed yet.
        addSynced("synced", 0, "other", "g1");
        auto extra = shot("synced", "newShot");
        auto extraFiles = writeFiles(extra);
        store.addImage(extra);

        drop();

        EXPECT_TRUE(allExist(files));
        for (const char* id : {"local", "localOnly", "firstPush"}) {
            auto capture = store.rawCapture(id);
            ASSERT_TRUE(capture) << id;
            EXPECT_EQ(store.images(id).size(), 1u) << id;
            // A screenshot drop leaves its capture alone; the others detach it.
            if (std::string(name) != "dropImage") {
                EXPECT_FALSE(capture->workspaceID) << id;
                EXPECT_EQ(capture->syncState, SyncState::local) << id;
            }
        }
        // Unless the capture it belongs to goes.
        if (std::string(name) == "dropImage" || std::string(name) == "dropCapture") {
            EXPECT_TRUE(ledger.rawImage("newShot"));
            EXPECT_TRUE(allExist(extraFiles));
        }
    }
}

TEST_F(ServerDropsTest, SigningOutForgetsTheAccountButNotTheLocalBoard) {
    store.setSyncMeta("user_id", "me");
    store.setSyncMeta("cursor", "42");
    ledger.upsertPerson({"p1", "Ada", {}, {}, "person"});
    ledger.replaceWorkspaces({{"w1", "One", "one", "member", {}}});
    store.db().execute("INSERT INTO group_members (group_id, user_id) VALUES ('g1', 'u2');");
    addGroup("g1", "Web");
    addGroup("mine", "Drafts", workspace, "pendingPush", R"({"*":true})");
    addGroup("clash", "Ops", workspace, "pendingPush", R"({"*":true})");
    addGroup("localOps", "Ops", std::nullopt, "local");
    addGroup("localOnly", "Home", std::nullopt, "local");
    auto shared = addSynced("shared", 2, "me", "g1");
    auto local = addSynced("local", 2, {}, "localOnly");
    store.db().execute("UPDATE captures SET workspace_id = NULL, sync_state = 'local' "
                       "WHERE id = 'local';");
    addHistory("local");
    ledger.log("info", "signed in");
    notifier->count = 0;

    ledger.purgeAccountData();

    EXPECT_FALSE(store.rawCapture("shared"));
    EXPECT_TRUE(noneExist(shared));
    EXPECT_TRUE(store.rawCapture("local"));
    EXPECT_TRUE(allExist(local));
    EXPECT_EQ(store.comments("local").size(), 1u);
    EXPECT_EQ(store.tags("local"), std::vector<std::string>{"ui"});
    EXPECT_EQ(count("FROM activity WHERE capture_id = 'local' AND remote = 0"), 1);
    EXPECT_EQ(count("FROM activity WHERE remote = 1"), 0);
    for (const char* table : {"people", "workspaces", "group_members", "sync_meta"})
        EXPECT_EQ(count(std::string("FROM ") + table), 0) << table;
    EXPECT_FALSE(store.group("g1"));
    EXPECT_TRUE(store.group("localOnly"));
    auto drafts = store.group("mine");
    ASSERT_TRUE(drafts) << "a group never pushed stays, outside any workspace";
    EXPECT_FALSE(drafts->workspaceID);
    EXPECT_EQ(drafts->syncState, SyncState::local);
    EXPECT_FALSE(store.group("clash")) << "a local group already has its name";
    EXPECT_TRUE(store.group("localOps"));
    EXPECT_EQ(logMessages(), std::vector<std::string>{"signed in"});
    EXPECT_EQ(notifier->count, 1);
}

TEST_F(ServerDropsTest, FilesGoOnlyOnceTheDeletionHasCommitted) {
    auto files = addSynced("c1", 1);
    store.db().executeRaw("CREATE TRIGGER refuse BEFORE DELETE ON captures BEGIN "
                          "SELECT RAISE(ABORT, 'refused'); END;");
    EXPECT_THROW(ledger.dropCapture("c1"), DatabaseError);
    EXPECT_TRUE(allExist(files));
    EXPECT_TRUE(store.rawCapture("c1"));
    EXPECT_THROW(ledger.purgeAccountData(), DatabaseError);
    EXPECT_TRUE(allExist(files));
    EXPECT_EQ(notifier->count, 1) << "only the screenshot's own write posted";
}

TEST_F(ServerDropsTest, AReconcileDropTakesOnlyACaptureStillInStepWithTheServer) {
    struct Case {
        const char* name;
        std::function<void()> arrange;
        bool dropped;
    };
    const std::vector<Case> cases = {
        {"synced", [] {}, true},
        {"edited since it was listed",
         [&] { setState("captures", "c", "pendingPush", R"({"note":true})"); }, false},
        {"taken out of the workspace",
         [&] {
             store.db().execute("UPDATE captures SET workspace_id = NULL, sync_state = 'local' "
                                "WHERE id = 'c';");
         },
         false},
        {"local only", [&] { store.db().execute("UPDATE captures SET local_only = 1;"); }, false},
        {"deleted here", [&] { store.db().execute("UPDATE captures SET deleted_at = 5;"); }, false},
        {"gone already", [&] { store.db().execute("DELETE FROM captures;"); }, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store.db().execute("DELETE FROM captures;");
        auto files = addSynced("c", 1);
        c.arrange();
        const bool existed = store.rawCapture("c").has_value();
        EXPECT_EQ(ledger.dropSyncedCapture("c"), c.dropped);
        EXPECT_EQ(store.rawCapture("c").has_value(), existed && !c.dropped);
        if (existed) {
            EXPECT_EQ(allExist(files), !c.dropped);
        }
    }
}

// What signing out would delete that the service does not have: the sign-out dialog says how
// many changes that is.
TEST_F(ServerDropsTest, UnsentChangesAreWhatSigningOutWouldLose) {
    const auto comment = [&](const std::string& captureID, SyncState state) {
        store.db().execute("INSERT INTO comments (id, capture_id, author, body, created_at, "
                           "sync_state) VALUES (?, ?, 'you', 'b', 1, ?);",
                           {captureID + "-note", captureID, std::string(rawValue(state))});
    };
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::int64_t unsent;
    };
    const std::vector<Case> cases = {
        {"everything in step", [] {}, 0},
        {"a note edited",
         [&] { setState("captures", "shared", "pendingPush", R"({"note":true})"); }, 1},
        {"a capture deleted",
         [&] { setState("captures", "shared", "pendingPush", R"({"delete":true})"); }, 1},
        {"a screenshot marked up and another deleted",
         [&] {
             setState("capture_images", "shared-0", "pendingPush", R"({"annotation_json":true})");
             setState("capture_images", "shared-1", "pendingPush", R"({"delete":true})");
         },
         2},
        {"a group renamed",
         [&] { addGroup("g", "Web", workspace, "pendingPush", R"({"name":true})"); }, 1},
        {"a new screenshot and comment waiting, or refused for good",
         [&] {
             setState("capture_images", "shared-0", "pendingPush", R"({"*":true})");
             setState("capture_images", "shared-1", "local", R"({"*":true})");
             comment("shared", SyncState::pendingPush);
         },
         3},
        {"a capture waiting for its first push, with its screenshots and comment",
         [&] {
             setState("captures", "shared", "pendingPush", R"({"*":true})");
             setState("capture_images", "shared-0", "pendingPush", R"({"*":true})");
             comment("shared", SyncState::pendingPush);
             addGroup("g", "Web", workspace, "pendingPush", R"({"*":true})");
         },
         0},
        {"a new group whose name a local group has",
         [&] {
             addGroup("g", "Web", workspace, "pendingPush", R"({"*":true})");
             addGroup("l", "Web", std::nullopt, "local");
         },
         1},
        {"a local capture with its comment", [&] { comment("local", SyncState::local); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* table : {"captures", "groups"})
            store.db().execute(std::string("DELETE FROM ") + table + ";");
        addSynced("shared", 2);
        addSynced("local", 1, {}, {}, std::nullopt);
        store.db().execute("UPDATE captures SET sync_state = 'local' WHERE id = 'local';");
        c.arrange();
        EXPECT_EQ(store.unsentChangeCount(), c.unsent);
    }
}

// The unsent changes counted before a sign-out are exactly those it then deletes.
TEST_F(ServerDropsTest, SigningOutDeletesTheUnsentChangesItCounted) {
    // Rows waiting to be pushed, and screenshots and comments refused for good.
    const auto unsentIDs = [&] {
        std::vector<std::string> ids;
        for (const auto& [table, states] : std::vector<std::pair<std::string, std::string>>{
                 {"groups", "('pendingPush')"},
                 {"captures", "('pendingPush')"},
                 {"capture_images", "('pendingPush', 'local')"},
                 {"comments", "('pendingPush', 'local')"}})
            for (const auto& row :
                 store.db().query("SELECT id FROM " + table + " WHERE sync_state IN " + states))
                ids.push_back(table + "/" + *row.string("id"));
        return ids;
    };
    const auto pendingComment = [&](const std::string& id, const std::string& captureID) {
        store.db().execute("INSERT INTO comments (id, capture_id, author, body, created_at, "
                           "sync_state) VALUES (?, ?, 'you', 'b', 1, 'pendingPush');",
                           {id, captureID});
    };
    EXPECT_EQ(store.unsentChangeCount(), 0);

    addGroup("g1", "Web");
    addGroup("renamed", "Ops board", workspace, "pendingPush", R"({"name":true})");
    addGroup("mine", "Drafts", workspace, "pendingPush", R"({"*":true})");
    addGroup("clash", "Ops", workspace, "pendingPush", R"({"*":true})");
    addGroup("localOps", "Ops", std::nullopt, "local");
    addSynced("untouched", 1);
    addSynced("edited", 1, "me", "g1");
    setState("captures", "edited", "pendingPush", R"({"note":true})");
    pendingComment("on-edited", "edited");
    addSynced("shot-added", 0);
    auto added = shot("shot-added", "new-shot");
    store.addImage(added);
    setState("capture_images", "new-shot", "pendingPush", R"({"*":true})");
    auto refused = shot("shot-added", "refused-shot");
    store.addImage(refused);
    setState("capture_images", "refused-shot", "local", R"({"*":true})");
    addSynced("deleted", 1);
    setState("captures", "deleted", "pendingPush", R"({"delete":true})");
    addCapture("fresh", workspace);
    setState("captures", "fresh", "pendingPush", R"({"*":true})");
    pendingComment("on-fresh", "fresh");
    addCapture("kept-here", workspace, true);
    addCapture("local");

    const std::int64_t lost = store.unsentChangeCount();
    // The renamed group and the clashing new one; the edit, comment, screenshots (one waiting,
    // one refused for good) and deletion of captures the service has. The new capture and its
    // comment, and the new group, stay.
    EXPECT_EQ(lost, 7);
    const auto before = unsentIDs();
    ledger.purgeAccountData();
    std::int64_t gone = 0;
    for (const auto& id : before) {
        const auto slash = id.find('/');
        gone += count("FROM " + id.substr(0, slash) + " WHERE id = ?", {id.substr(slash + 1)}) == 0;
    }
    EXPECT_EQ(gone, lost);
    EXPECT_EQ(store.unsentChangeCount(), 0);
}
