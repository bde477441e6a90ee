#include "LibraryFixture.h"

#include "library/LibraryReader.h"
#include "model/Paths.h"
#include "store/Database.h"

#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

// `count` captures, newest last, through the test's own connection: every third tagged, every
// fourth assigned to the signed-in user, all statuses, two groups.
void fill(LibraryFixture& f, int count) {
    f.store().db().transaction([&] {
        f.store().setSyncMeta("user_id", "me");
        for (const char* id : {"g1", "g2"}) {
            CaptureGroup group;
            group.id = id;
            group.name = std::string("Group ") + id;
            group.colorHex = "#6E7BF2";
            f.store().upsertGroup(group);
        }
        for (int i = 0; i < count; ++i) {
            Capture capture = LibraryFixture::makeCapture(
                "n" + std::to_string(i), CapturePriority(i % 3), CaptureMode::region, 1000.0 + i);
            capture.status = CaptureStatus(i % 4);
            capture.groupID = i % 2 ? "g1" : "g2";
            if (i % 4 == 0)
                capture.assigneeID = "me";
            f.store().insert(capture);
            if (i % 3 == 0)
                f.store().setTags({"ui", "t" + std::to_string(i % 7)}, capture.id);
        }
    });
}

// What a facade of its own over the library published, state by state, as it started.
struct Start {
    explicit Start(LibraryFixture& f)
        : library(TavroPaths::databasePath(), f.thumbnails,
                  std::make_unique<StoreChangeListener>()) {
        unreadAtFirst = library.loading() && library.captures().empty() &&
                        !library.firstReadEnded() && library.captureCount() == 0;
        QObject::connect(&library, &Library::reloaded, [this] {
            published.push_back(library.state());
            loadingAt.push_back(library.loading());
        });
        EXPECT_TRUE(QTest::qWaitFor([this] { return !library.reloadPending(); }, 20000));
    }

    Library library;
    bool unreadAtFirst = false;
    std::vector<std::shared_ptr<const LibraryState>> published;
    std::vector<bool> loadingAt;
};

} // namespace

TEST(LibraryFirstBoardTest, TheNewestCapturesComeFirstWithTheWholeBoardsFigures) {
    const int screenful = int(LibraryReader::firstScreenful);
    struct Case {
        const char* name;
        int captures;
        // Publishes before the facade is at rest: the newest, then the whole board.
        std::size_t publishes;
    };
    const std::vector<Case> cases{
        {"an empty library", 0, 1},
        {"a few captures", 5, 1},
        {"exactly a screenful", screenful, 1},
        {"one more than a screenful", screenful + 1, 2},
        {"a board of many screens", 1500, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryFixture f;
        fill(f, c.captures);
        const Start start(f);
        EXPECT_TRUE(start.unreadAtFirst);
        ASSERT_EQ(start.published.size(), c.publishes);

        const LibraryState& whole = *start.published.back();
        const LibraryState expected = LibraryState::read(f.store());
        EXPECT_TRUE(whole.complete);
        EXPECT_FALSE(start.library.loading());
        EXPECT_FALSE(start.loadingAt.back());
        EXPECT_EQ(whole.captures, expected.captures);
        EXPECT_EQ(whole.counts, expected.counts);
        EXPECT_EQ(whole.tagUses, expected.tagUses);
        EXPECT_EQ(start.library.captureCount(), c.captures);
        if (c.publishes == 1)
            continue;

        const LibraryState& first = *start.published.front();
        EXPECT_FALSE(first.complete);
        EXPECT_TRUE(start.loadingAt.front());
        ASSERT_EQ(first.captures.size(), std::size_t(screenful));
        for (int i = 0; i < screenful; ++i)
            EXPECT_EQ(first.captures[std::size_t(i)], whole.captures[std::size_t(i)]) << i;
        EXPECT_EQ(first.captures.item(0).tags, whole.captures.item(0).tags);
        // Nothing the sidebar or the status menu counts moves when the rest arrives.
        EXPECT_EQ(first.counts, whole.counts);
        EXPECT_EQ(first.tagUses, whole.tagUses);
        EXPECT_EQ(first.allTags, whole.allTags);
        EXPECT_EQ(first.assignedToMe, whole.assignedToMe);
        EXPECT_GT(first.assignedToMe, 0);
        EXPECT_EQ(first.groups, whole.groups);
        EXPECT_EQ(first.currentUserID, whole.currentUserID);
        EXPECT_EQ(first.account, whole.account);
    }
}

TEST(LibraryFirstBoardTest, AChangeWhileTheRestIsReadIsPublishedAfterIt) {
    LibraryFixture f;
    fill(f, 1500);
    Library library(TavroPaths::databasePath(), f.thumbnails,
                    std::make_unique<StoreChangeListener>());
    // Another program writes before the facade has read anything, and says so.
    const std::string newest = f.store().newestCaptureIDs(1).front();
    f.store().setStatus(newest, CaptureStatus::archived, "agent");
    library.checkForChanges();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !library.reloadPending(); }, 20000));
    EXPECT_FALSE(library.loading());
    EXPECT_EQ(library.captures().size(), 1500u);
    ASSERT_TRUE(library.capture(newest));
    EXPECT_EQ(library.capture(newest)->status, CaptureStatus::archived);
    EXPECT_EQ(library.counts(), f.store().countsByStatus());
}

// The whole facade at work, with the test's own connection left alone meanwhile: the GUI thread
// runs no statement, so nothing on it waits on the disk or on another program's lock.
TEST(LibraryFirstBoardTest, TheGuiThreadRunsNoStatement) {
    LibraryFixture f;
    fill(f, 600);
    const Capture capture = LibraryFixture::makeCapture("written through the facade");
    const std::uint64_t before = Database::statementsOnThisThread();
    {
        Library library(TavroPaths::databasePath(), f.thumbnails,
                        std::make_unique<StoreChangeListener>());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !library.reloadPending(); }, 20000));
        ASSERT_TRUE(test::awaitWrite(library.add(capture, {"new"}, {})));
        ASSERT_TRUE(test::awaitWrite(
            library.addImage(LibraryFixture::makeImage(20, 10), capture.id, CaptureMode::region)));
        ASSERT_TRUE(test::awaitWrite(library.setStatus(CaptureStatus::resolved, capture.id)));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !library.reloadPending() && library.capture(capture.id); }, 20000));
        bool read = false;
        library.readDetail(capture.id, DetailParts(DetailPart::images) | DetailPart::activity,
                           &library, [&](const CaptureDetail&) { read = true; });
        library.readDeleted(capture.id, &library, [&](bool) { read = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return read && !library.viewReadsPending(); }, 10000));
    }
    EXPECT_EQ(Database::statementsOnThisThread(), before);
}
