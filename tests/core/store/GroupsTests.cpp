#include "BoardFixture.h"

using namespace tavro;
using namespace tavro::test;

namespace {

struct GroupsTest : BoardFixture {
    static CaptureGroup record(const std::string& id, const std::string& name,
                               const std::optional<std::string>& workspace = {}) {
        CaptureGroup group;
        group.id = id;
        group.name = name;
        group.colorHex = "#FF3B30";
        group.createdAt = 100;
        group.updatedAt = 100;
        group.workspaceID = workspace;
        return group;
    }

    std::vector<std::string> listedNames() {
        std::vector<std::string> out;
        for (const auto& group : store.groups())
            out.push_back(group.name);
        return out;
    }
};

} // namespace

TEST_F(GroupsTest, NewGroupsJoinTheDefaultWorkspace) {
    auto local = store.upsertGroup(record("g1", "Local"));
    EXPECT_FALSE(local.workspaceID);
    EXPECT_FALSE(local.createdBy);
    EXPECT_TRUE(pending("groups", "g1").is_null());

    store.setSyncMeta("default_workspace_id", "w1");
    store.setSyncMeta("user_id", "u1");
    auto shared = store.upsertGroup(record("g2", "Shared"));
    EXPECT_EQ(shared.workspaceID, "w1");
    EXPECT_EQ(shared.createdBy, "u1");
    EXPECT_EQ(shared.updatedAt, 100);
    auto stored = store.group("g2");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->workspaceID, "w1");
    EXPECT_EQ(stored->syncState, SyncState::pendingPush);
    EXPECT_GT(stored->updatedAt, 100);
    EXPECT_EQ(pending("groups", "g2"), marks({"*"}));
    EXPECT_EQ(notifier->count, 2);
    EXPECT_EQ(listedNames(), (std::vector<std::string>{"Local", "Shared"}));
}

TEST_F(GroupsTest, NamesAreUniquePerWorkspaceWhateverTheirCase) {
    store.upsertGroup(record("bugs", "Bugs"));
    store.upsertGroup(record("team-bugs", "Bugs", "w1"));
    notifier->count = 0;

    struct Case {
        const char* name;
        std::optional<std::string> workspace;
        const char* expected; // the group in force
    };
    for (const auto& c : std::vector<Case>{
             {"bugs", std::nullopt, "bugs"}, {"BUGS", "w1", "team-bugs"}, {"bugs", "w2", "new"}}) {
        auto result = store.upsertGroup(record("new", c.name, c.workspace));
        EXPECT_EQ(result.id, c.expected) << c.name;
    }
    EXPECT_EQ(notifier->count, 1);
    EXPECT_EQ(store.groupNamed("BUGS", std::nullopt)->id, "bugs");
    EXPECT_EQ(store.groupNamed("bugs", "w1")->id, "team-bugs");
    EXPECT_FALSE(store.groupNamed("bug", std::nullopt));

    // An exact-case clash with an archived group is refused by the library, not hidden.
    store.deleteGroup("team-bugs");
    EXPECT_THROW(store.upsertGroup(record("again", "Bugs", "w1")), DatabaseError);
}

TEST_F(GroupsTest, RewritingKeepsWhereTheGroupLives) {
    store.upsertGroup(record("g", "Design", "w1"));
    store.upsertGroup(record("other", "Backlog", "w2"));
    store.db().execute("UPDATE groups SET pending = NULL, sync_state = 'synced', dirty = 0;");

    auto changed = record("g", "Backlog", "w2"); // renamed; the workspace it claims is ignored
    changed.visibility = GroupVisibility::workspace;
    changed.colorHex = "#00FF00";
    auto result = store.upsertGroup(changed);
    EXPECT_EQ(result.id, "g");
    EXPECT_EQ(result.workspaceID, "w1");
    auto stored = store.group("g");
    EXPECT_EQ(stored->name, "Backlog");
    EXPECT_EQ(stored->colorHex, "#00FF00");
    EXPECT_EQ(stored->workspaceID, "w1");
    EXPECT_EQ(stored->visibility, GroupVisibility::privateGroup);
    EXPECT_TRUE(stored->dirty);
    EXPECT_EQ(pending("groups", "g"), marks({"name", "color_hex", "archived_at"}));
}

TEST_F(GroupsTest, SharedGroupsAreArchivedAndLocalOnesSoftDeleted) {
    store.upsertGroup(record("shared", "Shared", "w1"));
    store.upsertGroup(record("local", "Local"));
    addCapture("c1", std::nullopt, false, "shared");
    addCapture("c2", std::nullopt, false, "local");
    store.db().execute("UPDATE groups SET pending = NULL;");
    notifier->count = 0;

    store.deleteGroup("shared");
    store.deleteGroup("local");
    EXPECT_EQ(notifier->count, 2);

    auto archived = store.group("shared");
    ASSERT_TRUE(archived);
    EXPECT_TRUE(archived->archivedAt);
    EXPECT_FALSE(archived->deletedAt);
    EXPECT_EQ(pending("groups", "shared"), marks({"archived_at"}));
    EXPECT_FALSE(store.groupNamed("Shared", "w1"));

    EXPECT_FALSE(store.group("local"));
    EXPECT_TRUE(row("groups", "local").date("deleted_at"));
    EXPECT_TRUE(pending("groups", "local").is_null());

    EXPECT_TRUE(store.groups().empty());
    EXPECT_EQ(store.capture("c1")->groupID, "shared");
    EXPECT_EQ(store.capture("c2")->groupID, "local");

    // A soft-deleted group comes back when its record is written again.
    store.upsertGroup(record("local", "Local"));
    EXPECT_TRUE(store.group("local"));
}

TEST_F(GroupsTest, BoundFoldersHoldTheirSubfolders) {
    struct Case {
        const char* folder;
        const char* path;
        bool matches;
    };
    for (const auto& c : std::vector<Case>{{"/a/b", "/a/b", true},
                                           {"/a/b", "/a/b/c", true},
                                           {"/a/b", "/a/bc", false},
                                           {"/a/b", "/a", false},
                                           {"/a/b/", "/a/b/c", true},
                                           {"/a/b/", "/a/b", false},
                                           {"", "/a/b", false},
                                           {"/A/B", "/a/b/c", false}}) {
        store.db().execute("DELETE FROM groups;");
        auto group = record("g", "Bound");
        group.path = c.folder;
        store.upsertGroup(group);
        EXPECT_EQ(store.groupMatchingPath(c.path).has_value(), c.matches)
            << c.folder << " / " << c.path;
    }

    // The first listed group by name wins; archived groups are never matched.
    store.db().execute("DELETE FROM groups;");
    auto outer = record("outer", "B outer", "w1");
    outer.path = "/repo";
    auto inner = record("inner", "A inner", "w1");
    inner.path = "/repo/app";
    store.upsertGroup(outer);
    store.upsertGroup(inner);
    EXPECT_EQ(store.groupMatchingPath("/repo/app/main.cpp")->id, "inner");
    store.deleteGroup("inner");
    EXPECT_EQ(store.groupMatchingPath("/repo/app/main.cpp")->id, "outer");
}

TEST_F(GroupsTest, DecodingFallsBackToDefaults) {
    store.db().execute("INSERT INTO groups (id, name, created_at, updated_at, sync_state, "
                       "visibility) VALUES ('g', 'G', 1, 2, 'other', 'everyone');");
    auto group = store.group("g");
    ASSERT_TRUE(group);
    EXPECT_EQ(group->colorHex, "#6E7BF2");
    EXPECT_EQ(group->syncState, SyncState::local);
    EXPECT_EQ(group->visibility, GroupVisibility::privateGroup);

    auto bare = CaptureStore::decodeGroup(Row());
    EXPECT_EQ(bare.name, "Untitled");
    EXPECT_EQ(bare.colorHex, "#6E7BF2");
    EXPECT_EQ(bare.id.size(), 36u);
    EXPECT_EQ(bare.version, 0);
}

// However a name comes in, it is stored on the one line every view prints it on, and the same
// name given with a line break finds the group that has it on one line.
TEST_F(GroupsTest, NamesAreStoredOnOneLine) {
    auto stored = store.upsertGroup(record("g1", "Design\npanel"));
    EXPECT_EQ(stored.name, "Design panel");
    EXPECT_EQ(store.group("g1")->name, "Design panel");
    EXPECT_EQ(store.upsertGroup(record("g2", "design\r\npanel")).id, "g1");
    EXPECT_EQ(listedNames(), std::vector<std::string>{"Design panel"});
}
