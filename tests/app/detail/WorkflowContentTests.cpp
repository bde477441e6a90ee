#include "detail/WorkflowContent.h"

#include "LibraryFixture.h"
#include "ledger/SyncLedger.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

const Person ada{"u-ada", "Ada Lovelace", std::nullopt, std::nullopt, "person"};
const Person grace{"u-grace", "Grace Hopper", std::nullopt, std::nullopt, "person"};
const Person claude{"bot-claude", "Claude", std::nullopt, std::nullopt, "bot"};

struct Board {
    explicit Board(bool signedIn) {
        if (signedIn)
            f.store().setSyncMeta("user_id", ada.id);
        for (const Person& person : {ada, grace, claude})
            SyncLedger(f.store()).upsertPerson(person);
        f.reloadAndWait();
    }

    Capture add(Capture capture) {
        EXPECT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
        f.settle();
        return published(capture.id);
    }

    Capture published(const std::string& id) {
        for (const BoardCapture& capture : f.library->captures())
            if (capture.id == id)
                return capture.whole();
        ADD_FAILURE() << "not published: " << id;
        return {};
    }

    LibraryFixture f;
};

TEST(WorkflowContentTest, ChipsFollowTheStatusesAndPrioritiesInOrder) {
    Board board(false);
    Capture capture = LibraryFixture::makeCapture("chips", CapturePriority::high);
    capture.status = CaptureStatus::inProgress;
    const WorkflowContent content = WorkflowContent::make(board.add(capture), *board.f.library);
    using S = WorkflowChip<CaptureStatus>;
    using P = WorkflowChip<CapturePriority>;
    EXPECT_EQ(content.statuses, (std::vector<S>{{CaptureStatus::open, "Open", false},
                                                {CaptureStatus::inProgress, "In Progress", true},
                                                {CaptureStatus::resolved, "Resolved", false},
                                                {CaptureStatus::archived, "Archived", false}}));
    EXPECT_EQ(content.priorities, (std::vector<P>{{CapturePriority::low, "Low", false},
                                                  {CapturePriority::normal, "Normal", false},
                                                  {CapturePriority::high, "High", true}}));
}

TEST(WorkflowContentTest, TheAssigneeRowAndFiledByNeedSomeoneSignedIn) {
    struct Case {
        const char* name;
        bool signedIn;
        std::optional<std::string> author;
        std::optional<std::string> assignee;
        bool showsAssignee;
        std::optional<Person> shownAssignee;
        std::optional<Person> filedBy;
    };
    const std::vector<Case> cases{
        {"signed out", false, grace.id, grace.id, false, std::nullopt, std::nullopt},
        {"filed by me", true, ada.id, std::nullopt, true, std::nullopt, std::nullopt},
        {"filed here before signing in", true, std::nullopt, claude.id, true, claude, std::nullopt},
        {"filed by someone else", true, grace.id, ada.id, true, ada, grace},
        {"filed by someone unknown", true, "u-nobody", "u-nobody", true, std::nullopt,
         std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Board board(c.signedIn);
        Capture capture = LibraryFixture::makeCapture(c.name);
        capture.authorID = c.author;
        capture.assigneeID = c.assignee;
        const WorkflowContent content = WorkflowContent::make(board.add(capture), *board.f.library);
        EXPECT_EQ(content.showsAssignee, c.showsAssignee);
        EXPECT_EQ(content.assignee, c.shownAssignee);
        EXPECT_EQ(content.filedBy, c.filedBy);
        EXPECT_EQ(content.people.size(), c.signedIn ? 3u : 0u);
    }
}

TEST(WorkflowContentTest, ClaimAndResolutionBadges) {
    struct Case {
        const char* name;
        std::optional<std::string> claimedBy;
        std::optional<std::string> reference;
        std::optional<std::string> claim;
        std::optional<std::string> resolution;
    };
    const std::vector<Case> cases{
        {"neither", std::nullopt, std::nullopt, std::nullopt, std::nullopt},
        {"claimed", "claude", std::nullopt, "Claimed by claude", std::nullopt},
        {"empty reference", std::nullopt, "", std::nullopt, std::nullopt},
        {"resolved with a commit", "claude", "abc1234", "Claimed by claude", "abc1234"},
    };
    Board board(false);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Capture capture = LibraryFixture::makeCapture(c.name);
        capture.claimedBy = c.claimedBy;
        capture.resolutionRef = c.reference;
        const WorkflowContent content = WorkflowContent::make(capture, *board.f.library);
        EXPECT_EQ(content.claim, c.claim);
        EXPECT_EQ(content.resolution, c.resolution);
    }
}

TEST(WorkflowContentTest, TheGroupMenuListsNoGroupThenThePublishedGroups) {
    Board board(false);
    Capture capture = LibraryFixture::makeCapture("grouped");
    WorkflowContent content = WorkflowContent::make(capture, *board.f.library);
    EXPECT_EQ(content.groupLabel, "No group");
    EXPECT_EQ(content.groupColorHex, std::nullopt);
    EXPECT_EQ(content.groupItems, (std::vector<GroupMenuItem>{{false, "No group", std::nullopt}}));

    const auto checkout = test::awaitWrite(board.f.library->createGroup("Checkout", "#10B981"));
    ASSERT_TRUE(checkout);
    board.f.settle();
    capture.groupID = checkout->id;
    content = WorkflowContent::make(capture, *board.f.library);
    EXPECT_EQ(content.groupLabel, "Checkout");
    EXPECT_EQ(content.groupColorHex, "#10B981");
    EXPECT_EQ(content.groupItems, (std::vector<GroupMenuItem>{{false, "No group", std::nullopt},
                                                              {true, "", std::nullopt},
                                                              {false, "Checkout", checkout->id}}));

    // A group that is not published (archived, or from another workspace) reads as none.
    capture.groupID = "group-gone";
    content = WorkflowContent::make(capture, *board.f.library);
    EXPECT_EQ(content.groupLabel, "No group");
    EXPECT_EQ(content.groupColorHex, std::nullopt);
}

TEST(WorkflowEditsTest, EachChoiceWritesTheCaptureAndStatusAndAssigneeTheirHistory) {
    Board board(true);
    const Capture capture = board.add(LibraryFixture::makeCapture("workflow"));
    CaptureStore& store = board.f.store();
    const auto groups = test::awaitWrite(board.f.library->createGroup("Checkout", "#10B981"));
    ASSERT_TRUE(groups);

    ASSERT_TRUE(test::awaitWrite(
        WorkflowEdits::setStatus(*board.f.library, capture, CaptureStatus::resolved)));
    ASSERT_TRUE(test::awaitWrite(
        WorkflowEdits::setPriority(*board.f.library, capture, CapturePriority::high)));
    ASSERT_TRUE(test::awaitWrite(WorkflowEdits::setGroup(*board.f.library, capture, groups->id)));
    ASSERT_TRUE(test::awaitWrite(WorkflowEdits::assign(*board.f.library, capture, grace.id)));

    // Each write starts from the capture as shown; none undoes another.
    const auto stored = store.capture(capture.id);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->status, CaptureStatus::resolved);
    EXPECT_EQ(stored->priority, CapturePriority::high);
    EXPECT_EQ(stored->groupID, groups->id);
    EXPECT_EQ(stored->assigneeID, grace.id);

    std::vector<std::string> kinds;
    for (const ActivityEvent& event : store.activity(capture.id)) {
        kinds.push_back(event.kind);
        if (event.kind != "created") {
            EXPECT_EQ(event.actor, "you") << event.kind;
        }
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"created", "status_changed", "assigned"}));

    // Choosing "No group" takes the capture out of its group.
    board.f.settle();
    ASSERT_TRUE(test::awaitWrite(
        WorkflowEdits::setGroup(*board.f.library, board.published(capture.id), std::nullopt)));
    EXPECT_EQ(store.capture(capture.id)->groupID, std::nullopt);
}

} // namespace
