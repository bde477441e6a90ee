#include "AgentBoard.h"

using namespace tavro;
using namespace tavro::test;

namespace {

struct CaptureToolsTest : AgentBoard {
    std::vector<std::string> history(const std::string& id) {
        std::vector<std::string> lines;
        for (const auto& event : store->activity(id))
            lines.push_back(event.kind + "|" + event.detail + "|" + event.actor);
        return lines;
    }
};

} // namespace

TEST_F(CaptureToolsTest, ClaimMovesOpenToInProgressAndWarnsAboutAnotherClaimer) {
    auto open = add(1, "Open one");
    EXPECT_EQ(text("claim_capture", {{"id", "c0000001"}, {"agent", "cursor"}}),
              "Claimed [c0000001] \u201COpen one\u201D as cursor. Status is now IN-PROGRESS.");
    EXPECT_EQ(text("claim_capture", {{"id", "c0000001"}}),
              "Heads up: cursor already claimed this. Claiming for claude anyway.\n"
              "Claimed [c0000001] \u201COpen one\u201D as claude. Status is now IN-PROGRESS.");
    auto first = store->capture(open.id)->claimedAt;
    EXPECT_EQ(text("claim_capture", {{"id", "c0000001"}}),
              "Claimed [c0000001] \u201COpen one\u201D as claude. Status is now IN-PROGRESS.");
    EXPECT_GE(store->capture(open.id)->claimedAt, first);
    EXPECT_EQ(store->capture(open.id)->claimedBy, "claude");

    auto resolved = add(2, "");
    store->resolve(resolved.id, std::nullopt, "you");
    EXPECT_EQ(text("claim_capture", {{"id", resolved.id}}),
              "Claimed [c0000002] \u201CUntitled issue\u201D as claude. Status is now RESOLVED.");
}

TEST_F(CaptureToolsTest, CommentsAreTrimmedAgentComments) {
    auto capture = add(1, "Title");
    EXPECT_EQ(text("comment_on_capture", {{"body", " \n\t "}}),
              "Missing required parameter `body`.");
    EXPECT_TRUE(call("comment_on_capture", {{"body", 5}, {"id", capture.id}}).isError);
    notifier->count = 0;
    EXPECT_EQ(text("comment_on_capture", {{"id", capture.id}, {"body", "\n\n  Root cause: x\n\n"}}),
              "Comment added to [c0000001] \u201CTitle\u201D as claude.");
    auto comments = store->comments(capture.id);
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_EQ(comments[0].body, "Root cause: x");
    EXPECT_EQ(comments[0].author, "claude");
    EXPECT_TRUE(comments[0].isAgent);
    EXPECT_EQ(comments[0].kind, "comment");
    EXPECT_EQ(history(capture.id).back(), "commented||claude");
    EXPECT_GE(notifier->count, 1);
}

TEST_F(CaptureToolsTest, ResolveStoresTheReferenceAsGivenAndTheCommentFirst) {
    auto capture = add(1, "Title");
    EXPECT_EQ(
        text("resolve_capture",
             {{"id", capture.id}, {"reference", "abc123"}, {"comment", "Fixed in the layout"}}),
        "Resolved [c0000001] \u201CTitle\u201D. Reference: abc123");
    auto resolved = *store->capture(capture.id);
    EXPECT_EQ(resolved.status, CaptureStatus::resolved);
    EXPECT_EQ(resolved.resolutionRef, "abc123");
    auto comments = store->comments(capture.id);
    ASSERT_EQ(comments.size(), 1u);
    EXPECT_LE(comments[0].createdAt, *resolved.resolvedAt);
    EXPECT_EQ(history(capture.id).back(), "resolved|abc123|claude");

    EXPECT_EQ(text("resolve_capture", {{"id", capture.id}, {"reference", "  "}}),
              "Resolved [c0000001] \u201CTitle\u201D. Reference:   ");
    EXPECT_EQ(store->capture(capture.id)->resolutionRef, "  ");
    EXPECT_EQ(text("resolve_capture", {{"id", capture.id}, {"reference", ""}, {"comment", ""}}),
              "Resolved [c0000001] \u201CTitle\u201D.");
    EXPECT_EQ(store->capture(capture.id)->resolutionRef, std::nullopt);
    EXPECT_EQ(store->comments(capture.id).size(), 1u);
}

TEST_F(CaptureToolsTest, ReopenAlwaysAnswersOpenAndClearsTheClaim) {
    struct Case {
        CaptureStatus from;
        std::string detail;
    };
    const Case cases[] = {{CaptureStatus::open, "Open \u2192 Open"},
                          {CaptureStatus::inProgress, "In Progress \u2192 Open"},
                          {CaptureStatus::resolved, "Resolved \u2192 Open"},
                          {CaptureStatus::archived, "Archived \u2192 Open"}};
    int n = 0;
    for (const auto& c : cases) {
        auto capture = add(++n, "Title");
        store->claim(capture.id, "cursor");
        store->setStatus(capture.id, c.from, "you");
        EXPECT_EQ(text("reopen_capture", {{"id", capture.id}, {"comment", "Did not hold"}}),
                  "Reopened [" + capture.id.substr(0, 8) +
                      "] \u201CTitle\u201D. Status is now OPEN.");
        auto reopened = *store->capture(capture.id);
        EXPECT_EQ(reopened.status, CaptureStatus::open);
        EXPECT_EQ(reopened.claimedBy, std::nullopt);
        EXPECT_EQ(history(capture.id).back(), "status_changed|" + c.detail + "|claude");
        EXPECT_EQ(store->comments(capture.id).at(0).body, "Did not hold");
    }
}

TEST_F(CaptureToolsTest, UpdateWithNothingNewStillRefreshesTheCapture) {
    auto capture = add(1, "Title");
    for (const JSON& arguments : {JSON{{"id", capture.id}, {"agent", "cursor"}},
                                  JSON{{"id", capture.id}, {"priority", "High"}},
                                  JSON{{"id", capture.id},
                                       {"priority", "normal"},
                                       {"note", "Title"},
                                       {"status", "open"},
                                       {"group", ""},
                                       {"tags", {"a", 1}}}}) {
        auto before = store->capture(capture.id)->updatedAt;
        EXPECT_EQ(text("update_capture", arguments),
                  "Nothing to change on [c0000001] \u2014 the values already match.");
        EXPECT_GT(store->capture(capture.id)->updatedAt, before);
    }
    EXPECT_EQ(history(capture.id).size(), 1u); // "created" alone
}

TEST_F(CaptureToolsTest, UpdateChangesFieldsInItsFixedOrder) {
    auto capture = add(1, "Title");
    EXPECT_EQ(text("update_capture", {{"id", capture.id},
                                      {"tags", {" UI ", "ui", "Layout"}},
                                      {"status", "resolved"},
                                      {"group", "Checkout Flow"},
                                      {"priority", "high"},
                                      {"note", ""}}),
              "Updated [c0000001]: note, priority \u2192 High, group \u2192 Checkout Flow, status "
              "\u2192 Resolved, tags \u2192  UI , ui, Layout.");
    auto updated = *store->capture(capture.id);
    EXPECT_EQ(updated.note, "");
    EXPECT_EQ(updated.priority, CapturePriority::high);
    EXPECT_EQ(updated.status, CaptureStatus::resolved);
    EXPECT_EQ(store->tags(capture.id), (std::vector<std::string>{"layout", "ui"}));
    auto group = store->group(*updated.groupID);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->name, "Checkout Flow");
    EXPECT_EQ(group->colorHex, "#6E7BF2");
    auto events = history(capture.id);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[events.size() - 2], "status_changed|Open \u2192 Resolved|claude");
    EXPECT_EQ(events.back(),
              "updated|note, priority \u2192 High, group \u2192 Checkout Flow, status \u2192 "
              "Resolved, tags \u2192  UI , ui, Layout|claude");

    EXPECT_EQ(text("update_capture", {{"id", capture.id}, {"tags", JSON::array()}}),
              "Updated [c0000001]: tags \u2192 (none).");
    EXPECT_TRUE(store->tags(capture.id).empty());
}

TEST_F(CaptureToolsTest, UpdateFindsGroupsWithoutRegardToCaseAndMakesEachNameOnce) {
    auto first = add(1, "One");
    auto second = add(2, "Two");
    EXPECT_EQ(text("update_capture", {{"id", first.id}, {"group", "design panel"}}),
              "Updated [c0000001]: group \u2192 design panel.");
    EXPECT_EQ(text("update_capture", {{"id", second.id}, {"group", "Design Panel"}}),
              "Updated [c0000002]: group \u2192 design panel.");
    EXPECT_EQ(store->capture(first.id)->groupID, store->capture(second.id)->groupID);
    EXPECT_EQ(store->groups().size(), 1u);

    // With a default workspace the new group is filed there; the next call still finds it.
    store->setSyncMeta("default_workspace_id", "w1");
    auto third = add(3, "Three");
    auto fourth = add(4, "Four");
    EXPECT_EQ(text("update_capture", {{"id", third.id}, {"group", "arabic mode"}}),
              "Updated [c0000003]: group \u2192 arabic mode.");
    EXPECT_EQ(text("update_capture", {{"id", fourth.id}, {"group", "arabic mode"}}),
              "Updated [c0000004]: group \u2192 arabic mode.");
    EXPECT_EQ(store->capture(third.id)->groupID, store->capture(fourth.id)->groupID);
    EXPECT_EQ(store->groups().size(), 2u);
}

TEST_F(CaptureToolsTest, UpdateWritesOnlyItsOwnChangesOverConcurrentOnes) {
    // A new group is written after the tool has read the capture and before it rewrites it; a
    // trigger on that insert stands in for another program changing the capture in between.
    auto capture = add(1, "Title");
    store->db().executeRaw("CREATE TRIGGER other_program AFTER INSERT ON groups BEGIN "
                           "UPDATE captures SET url = 'https://changed.example', priority = 'low' "
                           "WHERE id = '" +
                           capture.id + "'; END;");
    EXPECT_EQ(text("update_capture", {{"id", "c0000001"}, {"note", "New note"}, {"group", "ui"}}),
              "Updated [c0000001]: note, group \u2192 ui.");
    auto updated = *store->capture(capture.id);
    EXPECT_EQ(updated.note, "New note");
    EXPECT_TRUE(updated.groupID);
    EXPECT_EQ(updated.url, "https://changed.example");
    EXPECT_EQ(updated.priority, CapturePriority::low);
}

TEST_F(CaptureToolsTest, UpdateDoesNotBringBackACaptureDeletedMeanwhile) {
    auto capture = add(1, "Title");
    store->db().executeRaw("CREATE TRIGGER other_program AFTER INSERT ON groups BEGIN "
                           "UPDATE captures SET deleted_at = 1 WHERE id = '" +
                           capture.id + "'; END;");
    auto result = call("update_capture", {{"id", "c0000001"}, {"note", "New"}, {"group", "ui"}});
    EXPECT_TRUE(result.isError);
    EXPECT_EQ(result.content.at(0)["text"], "Capture " + capture.id + " no longer exists.");
    EXPECT_EQ(store->rawCapture(capture.id)->note, "Title");
    // The failed call leaves nothing behind: not the group, nor what was done in its wake.
    EXPECT_TRUE(store->groups().empty());
    EXPECT_EQ(*store->capture(capture.id), capture);
}

// A call that changes the board is one transaction: when its last write fails, none of the
// writes before it stays, and the reply says what failed in plain words.
TEST_F(CaptureToolsTest, ACallWhoseLastWriteFailsChangesNothingAndSaysSo) {
    struct Case {
        std::string tool;
        JSON arguments;   // besides the id
        std::string kind; // of the history entry the call records last
    };
    const std::vector<Case> cases = {
        {"claim_capture", JSON::object(), "claimed"},
        {"comment_on_capture", {{"body", "Looked"}}, "commented"},
        {"resolve_capture", {{"comment", "Fixed it"}, {"reference", "abc123"}}, "resolved"},
        {"reopen_capture", {{"comment", "Not fixed"}}, "status_changed"},
        {"update_capture",
         {{"note", "New"},
          {"priority", "high"},
          {"group", "Fresh group"},
          {"status", "resolved"},
          {"tags", {"ui", "login"}}},
         "updated"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tool);
        const auto capture = add(++n, "Title");
        const auto groups = store->groups();
        const auto history = store->activity(capture.id);
        JSON arguments = c.arguments;
        arguments["id"] = capture.id;
        store->db().executeRaw("CREATE TRIGGER fail_last BEFORE INSERT ON activity WHEN "
                               "NEW.kind = '" +
                               c.kind +
                               "' BEGIN SELECT RAISE(ABORT, 'database or disk is full'); "
                               "END;");
        const auto result = call(c.tool, arguments);
        EXPECT_TRUE(result.isError);
        EXPECT_EQ(result.content.at(0)["text"],
                  "Tavro failed to run " + c.tool +
                      ": The disk is full. Free some space, then try again. Nothing was changed.");
        EXPECT_EQ(*store->rawCapture(capture.id), capture);
        EXPECT_EQ(store->groups(), groups);
        EXPECT_TRUE(store->tags(capture.id).empty());
        EXPECT_TRUE(store->comments(capture.id).empty());
        EXPECT_EQ(store->activity(capture.id), history);

        store->db().executeRaw("DROP TRIGGER fail_last;");
        EXPECT_FALSE(call(c.tool, arguments).isError) << "the same call again lands";
        EXPECT_EQ(store->activity(capture.id).back().kind, c.kind);
    }
}

// An archived group keeps its name: a group of that name cannot be made, and saying so must not
// come as a database error.
TEST_F(CaptureToolsTest, UpdateNamingAnArchivedGroupChangesNothing) {
    struct Case {
        std::optional<std::string> defaultWorkspace;
        std::string group;
        std::string asked;
    };
    const Case cases[] = {
        {std::nullopt, "Design", "Design"},
        {std::nullopt, "Design", "design"},
        {"w1", "Layout", "Layout"},
        {"w1", "Layout", "LAYOUT"},
    };
    auto capture = add(1, "Title");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        store->setSyncMeta("default_workspace_id", c.defaultWorkspace);
        store->upsertGroup(CaptureGroup{.id = "g-" + c.group,
                                        .name = c.group,
                                        .colorHex = "#6E7BF2",
                                        .createdAt = T,
                                        .updatedAt = T,
                                        .workspaceID = c.defaultWorkspace});
        store->db().execute("UPDATE groups SET archived_at = 1 WHERE id = ?;", {"g-" + c.group});
        const auto before = *store->capture(capture.id);
        const auto groups = store->db().query("SELECT id FROM groups;").size();
        auto result =
            call("update_capture",
                 {{"id", capture.id}, {"note", "New"}, {"group", c.asked}, {"tags", {"x"}}});
        EXPECT_TRUE(result.isError);
        EXPECT_EQ(result.content.at(0)["text"], "The group \u201C" + c.group +
                                                    "\u201D is archived, so nothing was changed. "
                                                    "Pass another group name.");
        EXPECT_EQ(*store->capture(capture.id), before);
        EXPECT_TRUE(store->tags(capture.id).empty());
        EXPECT_EQ(store->db().query("SELECT id FROM groups;").size(), groups);
    }
}

// A reply that says a text was added means all of it, U+0000 and what follows included.
TEST_F(CaptureToolsTest, TextsHoldingANulAreStoredWhole) {
    using namespace std::string_literals;
    auto capture = add(1, "Title");
    const auto body = "before\0after"s;
    EXPECT_EQ(text("comment_on_capture", {{"id", capture.id}, {"body", body}}),
              "Comment added to [c0000001] \u201CTitle\u201D as claude.");
    EXPECT_EQ(store->comments(capture.id).at(0).body, body);
    const auto note = "Title\nline\0rest"s;
    EXPECT_EQ(text("update_capture", {{"id", capture.id}, {"note", note}}),
              "Updated [c0000001]: note.");
    EXPECT_EQ(store->capture(capture.id)->note, note);
}

TEST_F(CaptureToolsTest, ACommentWithAFailedSecondWriteIsNotStored) {
    struct Case {
        std::string tool;
        std::string trigger; // makes the write after the comment fail
    };
    const std::vector<Case> cases = {
        {"comment_on_capture", "BEFORE INSERT ON activity"},
        {"resolve_capture", "BEFORE UPDATE ON captures"},
        {"reopen_capture", "BEFORE UPDATE ON captures"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tool);
        auto capture = add(++n, "Title");
        store->db().executeRaw("CREATE TRIGGER fail_second " + c.trigger +
                               " BEGIN SELECT RAISE(ABORT, 'disk full'); END;");
        const JSON arguments = {{"id", capture.id}, {"body", "Looked"}, {"comment", "Looked"}};
        EXPECT_TRUE(call(c.tool, arguments).isError);
        EXPECT_TRUE(store->comments(capture.id).empty());
        store->db().executeRaw("DROP TRIGGER fail_second;");
        EXPECT_FALSE(call(c.tool, arguments).isError);
        EXPECT_EQ(store->comments(capture.id).size(), 1u);
    }
}

TEST_F(CaptureToolsTest, OverlongTextsAreRefusedAndNothingIsStored) {
    auto capture = add(1, "Title");
    const auto history = store->activity(capture.id);
    const JSON id = capture.id;
    auto repeated = [](const std::string& unit, size_t n) {
        std::string out;
        for (size_t i = 0; i < n; ++i)
            out += unit;
        return out;
    };
    std::vector<std::string> manyTags;
    for (int i = 0; i < 101; ++i)
        manyTags.push_back("t" + std::to_string(i));
    struct Case {
        std::string tool;
        JSON arguments;
        std::string reply;
    };
    const std::vector<Case> cases = {
        {"comment_on_capture",
         {{"id", id}, {"body", repeated("a", 20'001)}},
         "The comment is longer than 20,000 characters. Nothing was changed."},
        {"resolve_capture",
         {{"id", id}, {"comment", repeated("\u00e9", 20'001)}},
         "The comment is longer than 20,000 characters. Nothing was changed."},
        {"reopen_capture",
         {{"id", id}, {"comment", repeated("a", 20'001)}},
         "The comment is longer than 20,000 characters. Nothing was changed."},
        {"update_capture",
         {{"id", id}, {"note", repeated("n", 100'001)}, {"priority", "high"}},
         "The note is longer than 100,000 characters. Nothing was changed."},
        {"update_capture",
         {{"id", id}, {"group", repeated("g", 201)}},
         "The group name is longer than 200 characters. Nothing was changed."},
        {"update_capture",
         {{"id", id}, {"tags", {"ok", repeated("t", 101)}}},
         "A tag is longer than 100 characters. Nothing was changed."},
        {"update_capture",
         {{"id", id}, {"tags", manyTags}},
         "A capture takes at most 100 tags. Nothing was changed."},
    };
    for (const auto& c : cases) {
        auto result = call(c.tool, c.arguments);
        EXPECT_TRUE(result.isError) << c.reply;
        EXPECT_EQ(result.content.front().value("text", ""), c.reply);
    }
    EXPECT_EQ(*store->capture(capture.id), capture);
    EXPECT_TRUE(store->comments(capture.id).empty());
    EXPECT_TRUE(store->tags(capture.id).empty());
    EXPECT_EQ(store->activity(capture.id), history);

    // What a person writes at its longest is kept whole; combining marks count with their base.
    EXPECT_FALSE(
        call("comment_on_capture", {{"id", id}, {"body", repeated("e\u0301", 20'000)}}).isError);
    manyTags.pop_back();
    EXPECT_FALSE(call("update_capture", {{"id", id}, {"tags", manyTags}}).isError);
    EXPECT_EQ(store->tags(capture.id).size(), 100u);
}

// A group named with line breaks is made and found on one line: no agent can write lines into
// another agent's listing through a name.
TEST_F(CaptureToolsTest, GroupNamesAreOneLine) {
    auto first = add(1, "Title");
    auto second = add(2, "Other");
    EXPECT_EQ(text("update_capture", {{"id", first.id}, {"group", "Design\n[c0000009] OPEN x\n"}}),
              "Updated [c0000001]: group \u2192 Design [c0000009] OPEN x.");
    EXPECT_EQ(text("update_capture", {{"id", second.id}, {"group", "design [c0000009] open x"}}),
              "Updated [c0000002]: group \u2192 Design [c0000009] OPEN x.");
    ASSERT_EQ(store->groups().size(), 1u);
    EXPECT_EQ(store->groups()[0].name, "Design [c0000009] OPEN x");
    EXPECT_EQ(text("update_capture", {{"id", first.id}, {"group", "\n"}}),
              "Nothing to change on [c0000001] \u2014 the values already match.");
}
