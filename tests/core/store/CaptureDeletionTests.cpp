#include "BoardFixture.h"

#include <map>

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;

namespace {

struct CaptureDeletionTest : BoardFixture {
    // Files a hostile row could name, all outside the library or folders inside it.
    fs::path outside = library.root().parent_path() / "victim.png";
    fs::path folder = library.root() / "captures" / "2026";

    void plantVictims() {
        writeFile(outside, "not yours");
        fs::create_directories(folder);
    }

    void expectVictimsIntact() {
        EXPECT_EQ(readFile(outside), "not yours");
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_TRUE(fs::is_directory(library.root() / "captures"));
        EXPECT_TRUE(fs::is_directory(library.root() / "thumbs"));
    }

    void addGroup(const std::string& id, const std::string& name,
                  const std::optional<std::string>& workspace = {}) {
        store.db().execute("INSERT INTO groups (id, name, created_at, updated_at, workspace_id) "
                           "VALUES (?, ?, 1, 1, ?);",
                           {id, name, workspace});
    }

    void addComment(const std::string& id, const std::string& captureID, const char* state) {
        store.db().execute("INSERT INTO comments (id, capture_id, author, body, created_at, "
                           "sync_state) VALUES (?, ?, 'you', 'b', 1, ?);",
                           {id, captureID, state});
    }
};

} // namespace

TEST_F(CaptureDeletionTest, SoftDeletionRemovesTheCapturesFiles) {
    addCapture("c", "w1");
    auto marked = shot("c", "a");
    marked.annotatedPath = "2026/01/a-marked.png";
    auto plain = shot("c", "b");
    auto awaiting = shot("c", "d", SyncState::synced);
    awaiting.imagePath = "";
    awaiting.originalSHA256 = std::string(64, 'a');
    std::vector<fs::path> files;
    for (const auto& image : {marked, plain, awaiting}) {
        for (const auto& file : writeFiles(image))
            files.push_back(file);
        store.addImage(image);
    }
    ASSERT_EQ(files.size(), 6u);
    auto other = shot("other", "z");
    addCapture("other");
    auto kept = writeFiles(other);
    store.addImage(other);
    store.db().execute("UPDATE captures SET pending = NULL;");
    notifier->count = 0;

    store.softDelete("c");
    for (const auto& file : files)
        EXPECT_FALSE(fs::exists(file)) << file;
    for (const auto& file : kept)
        EXPECT_TRUE(fs::exists(file)) << file;
    EXPECT_FALSE(store.capture("c"));
    auto deleted = store.rawCapture("c");
    ASSERT_TRUE(deleted);
    EXPECT_TRUE(deleted->deletedAt);
    EXPECT_TRUE(deleted->dirty);
    EXPECT_EQ(pending("captures", "c"), marks({"delete"}));
    EXPECT_EQ(store.images("c").size(), 3u) << "screenshot rows stay";
    EXPECT_EQ(notifier->count, 1);

    store.softDelete("no-such-capture");
    EXPECT_EQ(notifier->count, 2);
    EXPECT_FALSE(store.rawCapture("no-such-capture"));
}

TEST_F(CaptureDeletionTest, HostilePathsRemoveNothingOutsideTheLibrary) {
    plantVictims();
    const std::string climbing = "../../victim.png"; // from captures/ or thumbs/ to the victim
    const std::vector<std::string> hostile{climbing, outside.string(), "2026", ".", "2026/.."};
    int n = 0;
    for (const auto& path : hostile) {
        const std::string id = "c" + std::to_string(n++);
        addCapture(id);
        auto image = shot(id, id + "-shot");
        image.imagePath = path;
        image.annotatedPath = path;
        image.thumbPath = path;
        store.addImage(image);
        store.db().execute("UPDATE captures SET image_path = ?, thumb_path = ? WHERE id = ?;",
                           {path, path, id});
        store.softDelete(id);
        expectVictimsIntact();

        addCapture(id + "b");
        image.id = id + "-b";
        image.captureID = id + "b";
        store.addImage(image);
        EXPECT_TRUE(store.deleteImage(image.id));
        expectVictimsIntact();
    }
}

TEST_F(CaptureDeletionTest, AFailedSoftDeletionKeepsTheFiles) {
    addCapture("c");
    auto image = shot("c", "a");
    auto files = writeFiles(image);
    store.addImage(image);
    notifier->count = 0;
    store.db().executeRaw("CREATE TRIGGER refuse BEFORE UPDATE OF deleted_at ON captures BEGIN "
                          "SELECT RAISE(ABORT, 'refused'); END;");
    EXPECT_THROW(store.softDelete("c"), DatabaseError);
    EXPECT_TRUE(store.capture("c"));
    for (const auto& file : files)
        EXPECT_TRUE(fs::exists(file)) << file;
    EXPECT_EQ(notifier->count, 0);
}

TEST_F(CaptureDeletionTest, AdoptionMovesACaptureWithWhatItOwns) {
    store.setSyncMeta("user_id", "u1");
    addGroup("g", "Bugs");
    addCapture("c", std::nullopt, true, "g");
    store.addImage(shot("c", "a"));
    store.addImage(shot("c", "b", SyncState::synced));
    ASSERT_TRUE(store.deleteImage("b"));
    addComment("mine", "c", "local");
    addComment("theirs", "c", "synced");
    notifier->count = 0;

    store.adopt("c", "w1");
    auto moved = store.capture("c");
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->workspaceID, "w1");
    EXPECT_EQ(moved->authorID, "u1");
    EXPECT_FALSE(moved->localOnly);
    EXPECT_EQ(moved->syncState, SyncState::pendingPush);
    EXPECT_EQ(pending("captures", "c"), marks({"*"}));
    EXPECT_EQ(store.image("a")->syncState, SyncState::pendingPush);
    EXPECT_EQ(pending("capture_images", "a"), marks({"*"}));
    EXPECT_TRUE(pending("capture_images", "b").is_null()) << "a tombstone is not pushed whole";
    EXPECT_EQ(row("capture_images", "b").string("sync_state"), "synced");
    std::map<std::string, SyncState> comments;
    for (const auto& comment : store.comments("c"))
        comments[comment.id] = comment.syncState;
    EXPECT_EQ(comments["mine"], SyncState::pendingPush);
    EXPECT_EQ(comments["theirs"], SyncState::synced);
    auto group = store.group("g");
    EXPECT_EQ(group->workspaceID, "w1");
    EXPECT_EQ(group->createdBy, "u1");
    EXPECT_EQ(group->syncState, SyncState::pendingPush);
    EXPECT_EQ(pending("groups", "g"), marks({"*"}));
    EXPECT_EQ(notifier->count, 1);
    EXPECT_TRUE(store.db().query("SELECT 1 FROM activity;").empty());
}

TEST_F(CaptureDeletionTest, AdoptionLeavesWorkspaceGroupsAndOtherAuthorsAlone) {
    addGroup("team", "Team", "w9");
    addCapture("c", std::nullopt, false, "team");
    store.db().execute("UPDATE captures SET author_id = 'someone' WHERE id = 'c';");
    store.adopt("c", "w1");
    EXPECT_EQ(store.capture("c")->authorID, "someone");
    EXPECT_EQ(store.group("team")->workspaceID, "w9");
    EXPECT_TRUE(pending("groups", "team").is_null());

    // The workspace already has a group of that name: the capture is filed there instead.
    addGroup("local-bugs", "bugs");
    addGroup("team-bugs", "Bugs", "w1");
    addCapture("d", std::nullopt, false, "local-bugs");
    store.adopt("d", "w1");
    EXPECT_EQ(store.capture("d")->groupID, "team-bugs");
    EXPECT_EQ(store.capture("d")->workspaceID, "w1");
    EXPECT_FALSE(store.group("local-bugs")->workspaceID);
}

TEST_F(CaptureDeletionTest, ADeletedCaptureIsNotAdopted) {
    addGroup("g", "Bugs");
    addCapture("c", std::nullopt, false, "g");
    store.addImage(shot("c", "a"));
    addComment("k", "c", "local");
    store.softDelete("c");
    notifier->count = 0;

    store.adopt("c", "w1");
    EXPECT_FALSE(store.rawCapture("c")->workspaceID);
    EXPECT_EQ(row("capture_images", "a").string("sync_state"), "local");
    EXPECT_EQ(store.comments("c").front().syncState, SyncState::local);
    EXPECT_FALSE(store.group("g")->workspaceID);
    EXPECT_EQ(notifier->count, 1);
}
