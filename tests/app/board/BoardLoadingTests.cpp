#include "board/BoardHeader.h"
#include "board/BoardView.h"
#include "board/EmptyStateView.h"
#include "board/SidebarRows.h"
#include "library/LibraryReader.h"
#include "model/Paths.h"

#include "LibraryFixture.h"
#include "RecordingActions.h"
#include "TestPreferences.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace tavro;
using tavro::test::LibraryFixture;

// The window opens before the board is read: until then it says nothing rather than "no
// captures", and once the newest captures are in it shows them without waiting for the rest.
TEST(BoardLoadingTest, TheBoardSaysNoCapturesOnlyOnceTheWholeBoardIsRead) {
    struct Case {
        const char* name;
        int captures;
    };
    const std::vector<Case> cases{
        {"an empty library", 0},
        {"a board of many screens", int(LibraryReader::firstScreenful) * 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LibraryFixture f;
        f.store().db().transaction([&] {
            for (int i = 0; i < c.captures; ++i)
                f.store().insert(LibraryFixture::makeCapture("n" + std::to_string(i),
                                                             CapturePriority::normal,
                                                             CaptureMode::region, 1000.0 + i));
        });
        test::TestPreferences preferences;
        test::RecordingActions actions;
        Library library(TavroPaths::databasePath(), f.thumbnails,
                        std::make_unique<StoreChangeListener>());
        BoardView view(library, preferences.preferences, actions);

        struct Seen {
            bool loading;
            bool emptyState;
            QString subtitle;
            std::int64_t allCount;
        };
        const auto look = [&] {
            const SidebarRows rows = sidebarRows(SidebarSource::of(library));
            return Seen{library.loading(), view.emptyState()->isVisibleTo(&view),
                        view.header()->subtitleLabel()->text(), rows.library.back().count};
        };
        std::vector<Seen> seen{look()};
        QObject::connect(&library, &Library::reloaded, &view, [&] { seen.push_back(look()); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return !library.reloadPending(); }, 20000));

        ASSERT_GE(seen.size(), 2u);
        EXPECT_TRUE(seen.front().loading);
        for (const Seen& step : seen) {
            if (!step.loading)
                continue;
            EXPECT_FALSE(step.emptyState);
            EXPECT_TRUE(step.subtitle.isEmpty()) << step.subtitle.toStdString();
        }
        const Seen& last = seen.back();
        EXPECT_FALSE(last.loading);
        EXPECT_EQ(last.emptyState, c.captures == 0);
        EXPECT_FALSE(last.subtitle.isEmpty());
        // The count of every capture is the whole board's as soon as anything is published.
        for (std::size_t i = 1; i < seen.size(); ++i)
            EXPECT_EQ(seen[i].allCount, c.captures);
    }
}
