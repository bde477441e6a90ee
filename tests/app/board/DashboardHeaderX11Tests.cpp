#include "LibraryFixture.h"
#include "RecordingActions.h"
#include "SeededBoard.h"
#include "TempLibrary.h"
#include "ViewPicture.h"

#include "board/BoardHeader.h"
#include "board/BoardView.h"
#include "board/CaptureBoardView.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace tavro;

namespace {

TEST(DashboardHeaderPicture, TheBoardWindowWithItsHeaderBar) {
    test::LibraryFixture fixture;
    test::SeededBoard seeded(fixture);
    test::TempFolder folder;
    QSettings legacy(toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat);
    Preferences preferences(
        std::make_unique<QSettings>(toQString((folder.path() / "current.conf").string()),
                                    QSettings::IniFormat),
        legacy);
    test::RecordingActions actions;
    BoardView dashboard(*fixture.library, preferences, actions);
    dashboard.resize(1180, 760);
    dashboard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dashboard));
    test::savePicture(dashboard, QStringLiteral("board-header"));

    BoardHeader& header = *dashboard.header();
    header.searchField()->setFocus();
    QTest::keyClicks(header.searchField(), QStringLiteral("layout"));
    EXPECT_EQ(dashboard.board()->count(), 2u); // the archived one is not in the inbox
    QTest::mouseClick(header.layoutButton(LayoutMode::list), Qt::LeftButton);
    EXPECT_EQ(dashboard.board()->layoutMode(), LayoutMode::list);
    test::savePicture(dashboard, QStringLiteral("board-header-search-list"));

    QMenu* menu = header.sortButton()->menu();
    menu->popup(header.sortButton()->mapToGlobal(QPoint(0, header.sortButton()->height())));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    test::savePicture(*menu, QStringLiteral("board-header-sort-menu"));
    menu->close();
}

} // namespace
