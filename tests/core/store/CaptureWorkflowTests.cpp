#include "BoardFixture.h"

#include <algorithm>
#include <functional>

using namespace tavro;
using namespace tavro::test;

namespace {

struct CaptureWorkflowTest : BoardFixture {
    // A shared capture with an empty pending mark, so a test sees only its own names.
    Capture addShared(const std::string& id, const std::function<void(Capture&)>& arrange = {}) {
        auto capture = sample(id);
        capture.workspaceID = "w1";
        if (arrange)
            arrange(capture);
        add(capture);
        store.db().execute("UPDATE captures SET pending = NULL WHERE id = ?;", {id});
        return *store.capture(id);
    }

    std::vector<std::string> sortedPendingKeys(const std::string& id) {
        auto keys = pendingKeys(id);
        std::sort(keys.begin(), keys.end());
        return keys;
    }

    ActivityEvent lastEvent(const std::string& id) { return store.activity(id).back(); }
};

using Strings = std::vector<std::string>;

} // namespace

TEST_F(CaptureWorkflowTest, StatusChangesFollowTheirRules) {
    store.setSyncMeta("user_id", "me");
    struct Case {
        const char* name;
        CaptureStatus from;
        CaptureStatus to;
        const char* detail;
        Strings marked;
    };
    const Case cases[] = {
        {"reopen",
         CaptureStatus::inProgress,
         CaptureStatus::open,
         "In Progress \u2192 Open",
         {"claimed_at", "claimed_label", "status"}},
        {"start",
         CaptureStatus::open,
         CaptureStatus::inProgress,
         "Open \u2192 In Progress",
         {"status"}},
        {"resolve",
         CaptureStatus::inProgress,
         CaptureStatus::resolved,
         "In Progress \u2192 Resolved",
         {"resolved_at", "status"}},
        {"archive",
         CaptureStatus::resolved,
         CaptureStatus::archived,
         "Resolved \u2192 Archived",
         {"resolved_at", "status"}},
        {"same again",
         CaptureStatus::archived,
         CaptureStatus::archived,
         "Archived \u2192 Archived",
         {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string id = "c" + std::to_string(n++);
        addShared(id, [&](Capture& capture) {
            capture.status = c.from;
            capture.claimedBy = "Agent";
            capture.claimedByID = "u7";
            capture.claimedAt = 100;
            capture.assigneeID = "u8";
            if (c.from == CaptureStatus::resolved)
                capture.resolvedAt = 200;
        });
        const auto before = now();
        auto result = store.setStatus(id, c.to, "Mira");
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(result, store.capture(id)) << c.name;
        EXPECT_EQ(result->status, c.to) << c.name;
        EXPECT_EQ(result->claimedByID, "u7") << c.name;
        EXPECT_EQ(result->assigneeID, "u8") << c.name;
        const bool reopened = c.to == CaptureStatus::open;
        EXPECT_EQ(result->claimedBy, reopened ? std::nullopt : std::optional<std::string>("Agent"))
            << c.name;
        EXPECT_EQ(result->claimedAt.has_value(), !reopened) << c.name;
        if (c.to == CaptureStatus::resolved)
            EXPECT_GE(result->resolvedAt.value_or(0), before) << c.name;
        else
            EXPECT_EQ(result->resolvedAt, std::nullopt) << c.name;

        auto event = lastEvent(id);
        EXPECT_EQ(event.kind, "status_changed") << c.name;
        EXPECT_EQ(event.detail, c.detail) << c.name;
        EXPECT_EQ(event.actor, "Mira") << c.name;
        EXPECT_EQ(event.actorID, "me") << c.name;
        EXPECT_EQ(event.captureID, id) << c.name;
        EXPECT_EQ(sortedPendingKeys(id), c.marked) << c.name;
    }
}

TEST_F(CaptureWorkflowTest, ClaimTakesTheCaptureForItsClaimer) {
    struct Case {
        const char* name;
        std::optional<std::string> user;
        CaptureStatus from;
        std::optional<std::string> assignee;
        CaptureStatus status;
        std::optional<std::string> expectedAssignee;
        Strings marked;
    };
    const Case cases[] = {
        {"open, signed in",
         "me",
         CaptureStatus::open,
         std::nullopt,
         CaptureStatus::inProgress,
         "me",
         {"assignee_id", "claimed_at", "claimed_by_id", "claimed_label", "status"}},
        {"resolved stays resolved",
         "me",
         CaptureStatus::resolved,
         "u8",
         CaptureStatus::resolved,
         "u8",
         {"claimed_at", "claimed_by_id", "claimed_label"}},
        {"signed out",
         std::nullopt,
         CaptureStatus::open,
         std::nullopt,
         CaptureStatus::inProgress,
         std::nullopt,
         {"claimed_at", "claimed_by_id", "claimed_label", "status"}},
    };
    int n = 0;
    for (const auto& c : cases) {
        store.setSyncMeta("user_id", c.user);
        const std::string id = "c" + std::to_string(n++);
        addShared(id, [&](Capture& capture) {
            capture.status = c.from;
            capture.assigneeID = c.assignee;
            capture.claimedBy = "Somebody else";
            capture.claimedByID = "u9";
            capture.claimedAt = 50;
        });
        auto result = store.claim(id, "Claude");
        ASSERT_TRUE(result) << c.name;
        EXPECT_EQ(result->status, c.status) << c.name;
        EXPECT_EQ(result->claimedBy, "Claude") << c.name;
        EXPECT_EQ(result->claimedByID, c.user) << c.name;
        EXPECT_GT(result->claimedAt.value_or(0), 50) << c.name;
        EXPECT_EQ(result->assigneeID, c.expectedAssignee) << c.name;
        auto event = lastEvent(id);
        EXPECT_EQ(event.kind, "claimed") << c.name;
        EXPECT_EQ(event.detail, "") << c.name;
        EXPECT_EQ(event.actor, "Claude") << c.name;
        EXPECT_EQ(event.actorID, c.user) << c.name;
        EXPECT_EQ(sortedPendingKeys(id), c.marked) << c.name;
    }
}

TEST_F(CaptureWorkflowTest, AssignAndResolveRecordTheirDetails) {
    addShared("c", [](Capture& capture) {
        capture.assigneeID = "u1";
        capture.claimedBy = "Agent";
        capture.resolutionRef = "old-ref";
    });
    struct Step {
        const char* name;
        std::function<std::optional<Capture>()> run;
        const char* kind;
        const char* detail;
        std::function<void(const Capture&)> check;
    };
    const Step steps[] = {
        {"assign", [&] { return store.assign("c", "u2", "Mira"); }, "assigned", "u2",
         [](const Capture& c) {
             EXPECT_EQ(c.assigneeID, "u2");
         }},
        {"unassign", [&] { return store.assign("c", std::nullopt, "Mira"); }, "assigned", "",
         [](const Capture& c) {
             EXPECT_EQ(c.assigneeID, std::nullopt);
         }},
        {"resolve", [&] { return store.resolve("c", "abc1234", "Claude"); }, "resolved", "abc1234",
         [](const Capture& c) {
             EXPECT_EQ(c.status, CaptureStatus::resolved);
             EXPECT_EQ(c.resolutionRef, "abc1234");
             EXPECT_TRUE(c.resolvedAt);
             EXPECT_EQ(c.claimedBy, "Agent");
         }},
        {"resolve without a reference", [&] { return store.resolve("c", std::nullopt, "Claude"); },
         "resolved", "",
         [](const Capture& c) {
             EXPECT_EQ(c.resolutionRef, std::nullopt);
         }},
    };
    for (const auto& step : steps) {
        auto result = step.run();
        ASSERT_TRUE(result) << step.name;
        step.check(*result);
        auto event = lastEvent("c");
        EXPECT_EQ(event.kind, step.kind) << step.name;
        EXPECT_EQ(event.detail, step.detail) << step.name;
    }
    EXPECT_EQ(sortedPendingKeys("c"),
              (Strings{"assignee_id", "resolution_ref", "resolved_at", "status"}));
}

TEST_F(CaptureWorkflowTest, EachOperationPostsItsNotifications) {
    struct Case {
        const char* name;
        std::function<void()> run;
        int posts;
    };
    const Case cases[] = {
        {"insert", [&] { store.insert(sample("new")); }, 1},
        {"update", [&] { store.update(*store.capture("c")); }, 1},
        {"setStatus", [&] { store.setStatus("c", CaptureStatus::archived, "you"); }, 2},
        {"claim", [&] { store.claim("c", "you"); }, 2},
        {"assign", [&] { store.assign("c", "u1", "you"); }, 1},
        {"resolve", [&] { store.resolve("c", std::nullopt, "you"); }, 2},
    };
    add(sample("c"));
    for (const auto& c : cases) {
        notifier->count = 0;
        c.run();
        EXPECT_EQ(notifier->count, c.posts) << c.name;
    }
}

TEST_F(CaptureWorkflowTest, NothingHappensWithoutALiveCapture) {
    add(sample("gone"));
    softDelete("gone");
    const auto stamp = store.changeCounter();
    for (const std::string id : {"gone", "missing", ""}) {
        EXPECT_EQ(store.setStatus(id, CaptureStatus::resolved, "you"), std::nullopt) << id;
        EXPECT_EQ(store.claim(id, "you"), std::nullopt) << id;
        EXPECT_EQ(store.assign(id, "u1", "you"), std::nullopt) << id;
        EXPECT_EQ(store.resolve(id, "ref", "you"), std::nullopt) << id;
    }
    EXPECT_EQ(notifier->count, 0);
    EXPECT_EQ(store.changeCounter(), stamp);
    EXPECT_EQ(store.activity("gone").size(), 1u);
}

TEST_F(CaptureWorkflowTest, AFailedHistoryEntryUndoesTheWholeStep) {
    addShared("c");
    store.db().executeRaw("CREATE TRIGGER no_events BEFORE INSERT ON activity "
                          "BEGIN SELECT RAISE(ABORT, 'refused'); END;");
    const auto before = *store.rawCapture("c");
    EXPECT_THROW(store.claim("c", "Claude"), DatabaseError);
    EXPECT_THROW(store.resolve("c", "ref", "Claude"), DatabaseError);
    EXPECT_EQ(store.rawCapture("c"), before);
    EXPECT_TRUE(pending("c").is_null());
    EXPECT_EQ(notifier->count, 0);
}
