#include "board/BoardView.h"
#include "board/CaptureBoardView.h"
#include "board/NewGroupSheet.h"
#include "board/SidebarView.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "RecordingActions.h"
#include "SeededBoard.h"
#include "TempLibrary.h"
#include "ViewPicture.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

struct BoardWindow {
    BoardWindow()
        : board(f)
        , legacy(toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat)
        , preferences(
              std::make_unique<QSettings>(toQString((folder.path() / "current.conf").string()),
                                          QSettings::IniFormat),
              legacy)
        , view(*f.library, preferences, actions) {
        view.resize(1180, 760);
        view.show();
    }

    void click(const LibraryFilter& filter) {
        QListWidget* list = view.sidebar()->list();
        QListWidgetItem* item = view.sidebar()->itemFor(filter);
        ASSERT_NE(item, nullptr);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(item).center());
    }

    LibraryFixture f;
    test::SeededBoard board;
    test::TempFolder folder;
    QSettings legacy;
    Preferences preferences;
    test::RecordingActions actions;
    BoardView view;
};

} // namespace

TEST(BoardWindowTest, TheSidebarFiltersTheBoardAndItsSheetAddsAGroup) {
    BoardWindow w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.view));
    SidebarView* sidebar = w.view.sidebar();
    ASSERT_NE(sidebar, nullptr);
    EXPECT_EQ(sidebar->rows().groups.size(), 3u);
    EXPECT_EQ(sidebar->rows().tags.size(), 5u);
    EXPECT_GE(sidebar->width(), 190);
    EXPECT_LE(sidebar->width(), 280);
    // The inbox: every open and in-progress capture.
    EXPECT_EQ(w.view.board()->count(), 6u);
    test::savePicture(w.view, QStringLiteral("board-window-inbox"));

    w.click(LibraryFilter::group(w.board.groups[0].id));
    EXPECT_EQ(w.view.board()->count(), 3u);
    w.click(LibraryFilter::tag("mobile"));
    EXPECT_EQ(w.view.board()->count(), 2u);
    w.click(LibraryFilter::group(w.board.groups[2].id));
    EXPECT_EQ(w.view.board()->count(), 2u);
    test::savePicture(w.view, QStringLiteral("board-window-group"));

    QTest::mouseClick(sidebar->newGroupButton(), Qt::LeftButton);
    NewGroupSheet* sheet = sidebar->newGroupSheet();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(sheet));
    QTest::keyClicks(sheet->nameField(), QStringLiteral("Billing"));
    test::savePicture(*sheet, QStringLiteral("board-window-new-group-sheet"));
    QTest::keyClick(sheet->nameField(), Qt::Key_Return);
    w.f.settle();

    const auto stored = w.f.store().groupNamed("Billing", std::nullopt);
    ASSERT_TRUE(stored);
    EXPECT_NE(sidebar->itemFor(LibraryFilter::group(stored->id)), nullptr);
    EXPECT_TRUE(sidebar->selection() == LibraryFilter::group(w.board.groups[2].id));
    test::savePicture(w.view, QStringLiteral("board-window-after-new-group"));
}
