#include "detail/CaptureDetailView.h"
#include "detail/CommentCard.h"
#include "detail/CommentSection.h"
#include "detail/DetailFeed.h"
#include "detail/HistorySection.h"
#include "model/Paths.h"
#include "model/Uuid.h"

#include "LibraryFixture.h"
#include "RecordingActions.h"
#include "WriteAnswer.h"

#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

Comment commentOn(const std::string& captureID, const std::string& body) {
    return Comment{.id = makeUUID(),
                   .captureID = captureID,
                   .author = "claude",
                   .isAgent = true,
                   .body = body,
                   .createdAt = now(),
                   .kind = "comment"};
}

// A capture with a thread and a history, another beside it, and the pane open on the first.
// Other programs write through a connection of their own.
struct OpenThread {
    OpenThread()
        : agent(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>()) {
        const Capture open = LibraryFixture::makeCapture("the open one");
        const Capture other = LibraryFixture::makeCapture("another one");
        EXPECT_TRUE(test::awaitWrite(f.library->add(open, {}, {})));
        EXPECT_TRUE(test::awaitWrite(f.library->add(other, {}, {})));
        EXPECT_TRUE(test::awaitWrite(
            f.library->addImage(LibraryFixture::makeImage(40, 30), open.id, CaptureMode::region)));
        for (int i = 0; i < 5; ++i) {
            agent.addComment(commentOn(open.id, "comment " + std::to_string(i)));
            agent.setStatus(open.id, i % 2 ? CaptureStatus::open : CaptureStatus::inProgress,
                            "claude");
        }
        openID = open.id;
        otherID = other.id;
        f.reloadAndWait();
        pane = std::make_unique<CaptureDetailView>(*f.library, actions, openID, [] {});
    }

    // What the pane reads with: the screenshots, the comments and the history.
    std::vector<DetailFeed*> feeds() const {
        return {&pane->imagesFeed(), &pane->comments()->feed(), &pane->history()->feed()};
    }
    int readsAsked() const {
        int total = 0;
        for (const DetailFeed* feed : feeds())
            total += feed->readsAsked();
        return total;
    }
    void noticeAndSettle() {
        f.library->checkForChanges();
        f.settle();
    }

    LibraryFixture f;
    CaptureStore agent;
    test::RecordingActions actions;
    std::string openID;
    std::string otherID;
    std::unique_ptr<CaptureDetailView> pane;
};

std::vector<std::string> bodies(const std::vector<CommentCard*>& cards) {
    std::vector<std::string> out;
    for (const CommentCard* card : cards)
        out.push_back(card->comment().body);
    return out;
}

TEST(DetailReadsTest, ThePaneShowsTheCapturesScreenshotsCommentsAndHistoryOnceTheReadsAnswer) {
    OpenThread t;
    // The reads run on the detail reader's thread: nothing is shown before they answer.
    EXPECT_TRUE(t.pane->comments()->cards().empty());
    EXPECT_TRUE(t.pane->history()->lines().isEmpty());
    EXPECT_TRUE(t.pane->state().images().empty());
    t.f.settle();

    EXPECT_EQ(bodies(t.pane->comments()->cards()),
              (std::vector<std::string>{"comment 0", "comment 1", "comment 2", "comment 3",
                                        "comment 4"}));
    EXPECT_EQ(t.pane->comments()->title(), QStringLiteral("COMMENTS (5)"));
    const auto events = t.f.store().activity(t.openID);
    ASSERT_EQ(t.pane->history()->lines().size(), static_cast<int>(events.size()));
    EXPECT_TRUE(t.pane->history()->lines().front().startsWith(QStringLiteral("claude ")));
    EXPECT_FALSE(t.pane->history()->isHidden());
    ASSERT_EQ(t.pane->state().images().size(), 1u);
    EXPECT_EQ(t.pane->state().images()[0].captureID, t.openID);
}

TEST(DetailReadsTest, OnlyAChangeToTheOpenCaptureIsReadAgainAndRowsAreKeptAcrossReads) {
    OpenThread t;
    t.f.settle();
    struct Case {
        const char* name;
        std::function<void(OpenThread&)> write;
        bool readAgain;
        std::size_t cardsAdded;
        std::size_t rowsAdded;
    };
    const std::vector<Case> cases{
        {"a comment on another capture",
         [](OpenThread& t) { t.agent.addComment(commentOn(t.otherID, "elsewhere")); }, false, 0, 0},
        {"another capture's status",
         [](OpenThread& t) { t.agent.setStatus(t.otherID, CaptureStatus::resolved, "claude"); },
         false, 0, 0},
        {"a reload with nothing new", [](OpenThread& t) { t.f.library->reload(); }, false, 0, 0},
        {"a comment on the open capture",
         [](OpenThread& t) { t.agent.addComment(commentOn(t.openID, "new here")); }, true, 1, 0},
        {"the open capture's status",
         [](OpenThread& t) { t.agent.setStatus(t.openID, CaptureStatus::resolved, "claude"); },
         true, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<CommentCard*> cards = t.pane->comments()->cards();
        const std::vector<QWidget*> rows = t.pane->history()->rows();
        const int reads = t.readsAsked();
        c.write(t);
        t.noticeAndSettle();

        EXPECT_EQ(t.readsAsked() > reads, c.readAgain);
        const std::vector<CommentCard*> cardsAfter = t.pane->comments()->cards();
        ASSERT_EQ(cardsAfter.size(), cards.size() + c.cardsAdded);
        // The same card objects, in their places; new comments come last.
        EXPECT_TRUE(std::equal(cards.begin(), cards.end(), cardsAfter.begin()));
        const std::vector<QWidget*> rowsAfter = t.pane->history()->rows();
        ASSERT_EQ(rowsAfter.size(), rows.size() + c.rowsAdded);
        // New events come first, above the same row objects.
        EXPECT_TRUE(std::equal(rows.begin(), rows.end(), rowsAfter.begin() + c.rowsAdded));
    }
    EXPECT_EQ(t.pane->comments()->cards().back()->comment().body, "new here");
    EXPECT_EQ(t.pane->comments()->title(), QStringLiteral("COMMENTS (6)"));
}

TEST(DetailReadsTest, ReadsOnlyWhatIsAskedAndNeverAnswersAContextThatIsGone) {
    OpenThread t;
    t.f.settle();
    const DetailParts everything =
        DetailParts(DetailPart::images) | DetailPart::comments | DetailPart::activity;
    struct Case {
        const char* name;
        std::string captureID;
        DetailParts parts;
        std::size_t images, comments;
        bool activity;
    };
    const std::vector<Case> cases{
        {"everything", t.openID, everything, 1, 5, true},
        {"comments alone", t.openID, DetailPart::comments, 0, 5, false},
        {"another capture's screenshots", t.otherID, DetailPart::images, 0, 0, false},
        {"a capture that is not there", "no-such-capture", everything, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // The pane asking first went away before the reader answered it.
        auto gone = std::make_unique<QObject>();
        bool goneAnswered = false;
        t.f.library->readDetail(t.openID, c.parts, gone.get(),
                                [&](const CaptureDetail&) { goneAnswered = true; });
        gone.reset();
        QObject shown;
        std::optional<CaptureDetail> answer;
        t.f.library->readDetail(c.captureID, c.parts, &shown,
                                [&](CaptureDetail detail) { answer = std::move(detail); });
        t.f.settle();
        EXPECT_FALSE(goneAnswered);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->captureID, c.captureID);
        EXPECT_FALSE(answer->error);
        EXPECT_EQ(answer->images.size(), c.images);
        EXPECT_EQ(answer->comments.size(), c.comments);
        EXPECT_EQ(!answer->activity.empty(), c.activity);
    }
}

} // namespace
