#include "BoardFixture.h"

using namespace tavro;
using namespace tavro::test;

namespace {

struct TagsAndCommentsTest : BoardFixture {
    std::vector<std::string> tagNames(const std::string& captureID) {
        std::vector<std::string> out;
        for (const auto& row : store.db().query("SELECT t.name FROM tags t JOIN capture_tags ct "
                                                "ON ct.tag_id = t.id WHERE ct.capture_id = ? "
                                                "ORDER BY t.name;",
                                                {captureID}))
            out.push_back(*row.string("name"));
        return out;
    }

    static Comment comment(const std::string& id, const std::string& captureID, Seconds at = 10) {
        Comment c;
        c.id = id;
        c.captureID = captureID;
        c.author = "you";
        c.body = "body of " + id;
        c.createdAt = at;
        c.kind = "comment";
        return c;
    }
};

} // namespace

TEST_F(TagsAndCommentsTest, TagsAreReplacedAsANormalisedSet) {
    addCapture("c1", "w1");
    addCapture("c2");
    store.setTags({" Login ", "login", "", "UI"}, "c1");
    EXPECT_EQ(tagNames("c1"), (std::vector<std::string>{"login", "ui"}));
    EXPECT_EQ(pending("captures", "c1"), marks({"tags"}));
    EXPECT_EQ(row("captures", "c1").date("updated_at"), 1);

    store.setTags({"LOGIN", "crash"}, "c2");
    EXPECT_EQ(tagNames("c2"), (std::vector<std::string>{"crash", "login"}));
    EXPECT_EQ(store.db().query("SELECT id FROM tags;").size(), 3u) << "login is shared";
    EXPECT_TRUE(pending("captures", "c2").is_null());

    store.db().execute("UPDATE captures SET pending = NULL;");
    store.setTags({}, "c1");
    EXPECT_TRUE(tagNames("c1").empty());
    EXPECT_EQ(pending("captures", "c1"), marks({"tags"}));
    EXPECT_EQ(store.db().query("SELECT id FROM tags;").size(), 3u) << "unused tags stay";
    EXPECT_EQ(notifier->count, 3);

    store.db().execute("UPDATE captures SET pending = NULL;");
    store.replaceTags({"Server"}, "c1");
    EXPECT_EQ(tagNames("c1"), std::vector<std::string>{"server"});
    EXPECT_TRUE(pending("captures", "c1").is_null());
    EXPECT_EQ(notifier->count, 3);
}

TEST_F(TagsAndCommentsTest, AFailedReplacementKeepsTheOldTags) {
    addCapture("c");
    store.setTags({"kept"}, "c");
    store.db().executeRaw("CREATE TRIGGER refuse BEFORE INSERT ON tags WHEN NEW.name = 'bad' "
                          "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    EXPECT_THROW(store.setTags({"a", "bad"}, "c"), DatabaseError);
    EXPECT_EQ(tagNames("c"), std::vector<std::string>{"kept"});
    EXPECT_EQ(notifier->count, 1);
}

TEST_F(TagsAndCommentsTest, AgentCommentsAreLabelledWithTheUser) {
    addCapture("c");
    struct Case {
        bool isAgent;
        std::optional<std::string> label;
        std::optional<std::string> userName;
        std::optional<std::string> stored;
    };
    const std::vector<Case> cases{
        {true, std::nullopt, "Ada", "Claude · Ada"},
        {true, std::nullopt, std::nullopt, "Claude"},
        {true, "Cursor for Ada", "Ada", "Cursor for Ada"},
        {false, std::nullopt, "Ada", std::nullopt},
    };
    int n = 0;
    for (const auto& c : cases) {
        store.setSyncMeta("user_name", c.userName);
        auto given = comment("k" + std::to_string(n++), "c");
        given.author = "Claude";
        given.isAgent = c.isAgent;
        given.actorLabel = c.label;
        store.addComment(given);
        EXPECT_EQ(store.comments("c").back().actorLabel, c.stored) << given.id;
    }
}

TEST_F(TagsAndCommentsTest, CommentsOnSharedCapturesWaitToBePushed) {
    addCapture("shared", "w1");
    addCapture("local");
    addCapture("kept-here", "w1", true);
    store.setSyncMeta("user_id", "u1");
    for (auto id : {"shared", "local", "kept-here"})
        store.addComment(comment(std::string("k-") + id, id));
    EXPECT_EQ(store.comments("shared").front().syncState, SyncState::pendingPush);
    EXPECT_EQ(store.comments("local").front().syncState, SyncState::local);
    EXPECT_EQ(store.comments("kept-here").front().syncState, SyncState::local);
    EXPECT_EQ(store.comments("local").front().authorID, "u1");

    auto synced = comment("from-server", "shared");
    synced.syncState = SyncState::synced;
    store.addComment(synced);
    EXPECT_EQ(store.comments("shared").back().syncState, SyncState::synced);
    EXPECT_EQ(notifier->count, 4);
}

TEST_F(TagsAndCommentsTest, AKnownCommentIdKeepsTheFirstButStillTouchesTheCapture) {
    addCapture("c");
    store.addComment(comment("k", "c", 20));
    store.addComment(comment("early", "c", 5));
    store.db().execute("UPDATE captures SET updated_at = 1;");
    auto again = comment("k", "c", 30);
    again.body = "changed";
    store.addComment(again);

    auto list = store.comments("c");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, "early");
    EXPECT_EQ(list[1].body, "body of k");
    EXPECT_GT(*row("captures", "c").date("updated_at"), 1);
    EXPECT_FALSE(row("captures", "c").boolValue("dirty"));
    EXPECT_EQ(notifier->count, 3);
    EXPECT_THROW(store.addComment(comment("orphan", "no-such-capture")), DatabaseError);
    EXPECT_EQ(notifier->count, 3);
}

TEST_F(TagsAndCommentsTest, DecodingFallsBackToDefaults) {
    auto bare = CaptureStore::decodeComment(Row());
    EXPECT_EQ(bare.author, "unknown");
    EXPECT_EQ(bare.kind, "comment");
    EXPECT_EQ(bare.captureID, "");
    EXPECT_EQ(bare.syncState, SyncState::local);
    EXPECT_EQ(bare.id.size(), 36u);
}
