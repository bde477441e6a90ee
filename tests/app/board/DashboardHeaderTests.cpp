#include "LibraryFixture.h"
#include "RecordingActions.h"
#include "TempLibrary.h"

#include "board/BoardHeader.h"
#include "board/BoardView.h"
#include "board/CaptureBoardView.h"
#include "board/EmptyStateView.h"
#include "board/SidebarView.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

// A board window over three inbox captures that every sort order puts in a different order.
struct Board {
    Board() {
        const struct {
            const char* note;
            CapturePriority priority;
            const char* app;
            Seconds age;
        } captures[] = {
            {"Coupon field loses focus", CapturePriority::normal, "Zed", 300},
            {"Checkout button overlaps", CapturePriority::high, "Firefox", 200},
            {"Slow first load", CapturePriority::low, "Alacritty", 100},
        };
        for (const auto& c : captures) {
            Capture capture =
                LibraryFixture::makeCapture(c.note, c.priority, CaptureMode::text, now() - c.age);
            capture.appName = c.app;
            f.store().insert(capture);
        }
        f.reloadAndWait();
        view = std::make_unique<BoardView>(*f.library, preferences, actions);
        view->resize(1180, 760);
        view->show();
    }

    std::vector<std::string> notes() const {
        std::vector<std::string> shown;
        for (std::size_t i = 0; i < view->board()->count(); ++i)
            shown.push_back(view->board()->entry(i).capture->note);
        return shown;
    }

    QAction* sortAction(const QString& title) const {
        for (QAction* action : view->header()->sortButton()->menu()->actions())
            if (action->text() == title)
                return action;
        return nullptr;
    }

    LibraryFixture f;
    test::TempFolder folder;
    QSettings legacy{toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat};
    Preferences preferences{
        std::make_unique<QSettings>(toQString((folder.path() / "current.conf").string()),
                                    QSettings::IniFormat),
        legacy};
    test::RecordingActions actions;
    std::unique_ptr<BoardView> view;
};

TEST(DashboardHeaderTest, TypingNarrowsTheBoardAtOnceAndTheClearButtonRestoresIt) {
    Board b;
    BoardHeader& header = *b.view->header();
    EXPECT_EQ(header.titleLabel()->text(), QStringLiteral("Inbox"));
    EXPECT_EQ(header.subtitleLabel()->text(), QStringLiteral("3 captures · 1 high priority"));
    EXPECT_EQ(header.searchField()->placeholderText(), QStringLiteral("Search notes, apps, URLs…"));
    EXPECT_FALSE(header.clearButton()->isVisibleTo(&header));
    ASSERT_EQ(b.notes().size(), 3u);

    QTest::keyClicks(header.searchField(), QStringLiteral("FIRE"));
    EXPECT_EQ(b.notes(), std::vector<std::string>{"Checkout button overlaps"});
    EXPECT_TRUE(header.clearButton()->isVisibleTo(&header));

    QTest::keyClicks(header.searchField(), QStringLiteral("wall"));
    EXPECT_EQ(b.view->board()->count(), 0u);
    EXPECT_EQ(b.view->emptyState()->content().title, QStringLiteral("No matches"));

    QTest::mouseClick(header.clearButton(), Qt::LeftButton);
    EXPECT_EQ(header.searchField()->text(), QString());
    EXPECT_FALSE(header.clearButton()->isVisibleTo(&header));
    EXPECT_EQ(b.notes().size(), 3u);

    // Blanks alone are no search.
    QTest::keyClicks(header.searchField(), QStringLiteral("   "));
    EXPECT_EQ(b.notes().size(), 3u);
}

TEST(DashboardHeaderTest, EachSortOrderOfTheMenuReordersTheBoard) {
    Board b;
    QToolButton* sort = b.view->header()->sortButton();
    EXPECT_EQ(sort->accessibleName(), QStringLiteral("Sort"));
    EXPECT_EQ(sort->toolTip(), QStringLiteral("Sort"));
    const struct {
        const char* title;
        std::vector<std::string> notes;
    } cases[] = {
        {"Oldest first",
         {"Coupon field loses focus", "Checkout button overlaps", "Slow first load"}},
        {"Priority", {"Checkout button overlaps", "Coupon field loses focus", "Slow first load"}},
        {"App", {"Slow first load", "Checkout button overlaps", "Coupon field loses focus"}},
        {"Newest first",
         {"Slow first load", "Checkout button overlaps", "Coupon field loses focus"}},
    };
    for (const auto& c : cases) {
        QAction* action = b.sortAction(QString::fromUtf8(c.title));
        ASSERT_NE(action, nullptr) << c.title;
        action->trigger();
        EXPECT_EQ(b.notes(), c.notes) << c.title;
        EXPECT_TRUE(action->isChecked()) << c.title;
    }
    int checked = 0;
    for (QAction* action : sort->menu()->actions())
        checked += action->isChecked() ? 1 : 0;
    EXPECT_EQ(checked, 1);
}

TEST(DashboardHeaderTest, TheLayoutSwitchChangesTheBoardAndShowsWhatTheWindowWasGiven) {
    Board b;
    BoardHeader& header = *b.view->header();
    QAbstractButton* grid = header.layoutButton(LayoutMode::grid);
    QAbstractButton* list = header.layoutButton(LayoutMode::list);
    EXPECT_EQ(grid->accessibleName(), QStringLiteral("Grid"));
    EXPECT_EQ(list->accessibleName(), QStringLiteral("List"));
    EXPECT_TRUE(grid->isChecked());

    QTest::mouseClick(list, Qt::LeftButton);
    EXPECT_EQ(b.view->board()->layoutMode(), LayoutMode::list);
    EXPECT_FALSE(grid->isChecked());
    QTest::mouseClick(grid, Qt::LeftButton);
    EXPECT_EQ(b.view->board()->layoutMode(), LayoutMode::grid);

    // Set from outside, the header follows without echoing the change back.
    b.view->setLayoutMode(LayoutMode::list);
    b.view->setSort(SortOrder::app);
    b.view->setSearch(QStringLiteral("slow"));
    EXPECT_TRUE(list->isChecked());
    EXPECT_TRUE(b.sortAction(QStringLiteral("App"))->isChecked());
    EXPECT_EQ(header.searchField()->text(), QStringLiteral("slow"));
    EXPECT_EQ(b.notes(), std::vector<std::string>{"Slow first load"});

    // A new window starts afresh: nothing of the old one's choices is kept.
    b.view.reset();
    BoardView next(*b.f.library, b.preferences, b.actions);
    EXPECT_TRUE(next.header()->layoutButton(LayoutMode::grid)->isChecked());
    EXPECT_TRUE(next.header()->searchField()->text().isEmpty());
    EXPECT_EQ(next.board()->count(), 3u);
    EXPECT_EQ(next.board()->entry(0).capture->note, "Slow first load");
}

} // namespace

TEST(DashboardHeaderTest, ASearchSetByAnAssistiveToolNarrowsTheBoardToo) {
    struct Case {
        const char* name;
        std::function<void(QLineEdit&)> set;
        std::vector<std::string> shown;
    };
    const Case cases[] = {
        {"typed",
         [](QLineEdit& f) { QTest::keyClicks(&f, QStringLiteral("FIRE")); },
         {"Checkout button overlaps"}},
        {"through the accessibility interface",
         [](QLineEdit& f) {
             QAccessible::queryAccessibleInterface(&f)->setText(QAccessible::Value,
                                                                QStringLiteral("FIRE"));
         },
         {"Checkout button overlaps"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Board b;
        c.set(*b.view->header()->searchField());
        EXPECT_EQ(b.notes(), c.shown);
        EXPECT_TRUE(b.view->header()->clearButton()->isVisibleTo(b.view->header()));
    }
}

TEST(DashboardHeaderTest, TheSidebarHidesAndComesBackAtItsWidth) {
    Board b;
    ASSERT_TRUE(b.view->sidebarShown());
    const int width = b.view->sidebar()->width();
    EXPECT_EQ(b.view->sidebarAction()->text(), QStringLiteral("Hide Sidebar"));
    EXPECT_EQ(b.view->sidebarAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Alt+S")));
    const struct {
        const char* name;
        bool shown;
        QString action;
    } steps[] = {
        {"hidden", false, QStringLiteral("Show Sidebar")},
        {"shown again", true, QStringLiteral("Hide Sidebar")},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        b.view->sidebarAction()->trigger();
        EXPECT_EQ(b.view->sidebarShown(), step.shown);
        // The board takes the whole window, or starts after the sidebar again.
        const int boardLeft = b.view->header()->mapTo(b.view.get(), QPoint(0, 0)).x();
        EXPECT_EQ(boardLeft > 100, step.shown) << boardLeft;
        EXPECT_EQ(b.view->sidebarAction()->text(), step.action);
    }
    EXPECT_EQ(b.view->sidebar()->width(), width);
    EXPECT_EQ(b.view->header()->titleLabel()->text(), QStringLiteral("Inbox"))
        << "the filter stays";
}
