#include "board/BoardActions.h"
#include "board/BoardModel.h"
#include "board/BoardView.h"
#include "board/CaptureBoardView.h"
#include "desktop/FileRevealer.h"
#include "detail/CaptureDetailView.h"
#include "detail/DetailHeaderBar.h"
#include "model/Paths.h"
#include "values/Utf8.h"

#include "LibraryFixture.h"
#include "RecordingActions.h"
#include "TestPreferences.h"
#include "ViewPicture.h"
#include "ledger/SyncLedger.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

struct NotedRevealer final : FileRevealer {
    explicit NotedRevealer(std::vector<std::filesystem::path>& files)
        : files(files) {}
    void reveal(const std::filesystem::path& file, Done done) override {
        files.push_back(file);
        done(RevealOutcome::shown);
    }
    std::vector<std::filesystem::path>& files;
};

// A signed-in board of three captures, newest first: a screenshot, a note and a resolved one.
struct MenuBoard {
    MenuBoard() {
        f.store().setSyncMeta("user_id", std::string("u-ada"));
        SyncLedger(f.store()).upsertPerson(Person{"u-ada", "Ada & Co", {}, {}, "person"});
        SyncLedger(f.store()).upsertPerson(Person{"b-fix", "Fixer", {}, {}, "bot"});
        const auto add = [&](const char* note, CaptureStatus status, bool image, Seconds age) {
            Capture capture = LibraryFixture::makeCapture(note, CapturePriority::normal,
                                                          CaptureMode::region, now() - age);
            EXPECT_TRUE(test::awaitWrite(f.library->add(capture, {}, {})));
            if (image) {
                EXPECT_TRUE(test::awaitWrite(f.library->addImage(
                    LibraryFixture::makeImage(320, 200), capture.id, CaptureMode::region)));
            }
            if (status != CaptureStatus::open) {
                EXPECT_TRUE(test::awaitWrite(f.library->setStatus(status, capture.id)));
            }
            return capture.id;
        };
        shot = add("Checkout button clipped", CaptureStatus::open, true, 60);
        note = add("Rename the footer link", CaptureStatus::inProgress, false, 120);
        done = add("Old layout bug", CaptureStatus::resolved, true, 180);
        f.reloadAndWait();
        view.captureActions().setRevealer(std::make_unique<NotedRevealer>(revealed));
        view.setFilter(LibraryFilter::everything());
        view.resize(1180, 760);
        view.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    CaptureBoardView& board() { return *view.board(); }
    std::size_t indexOf(const std::string& id) {
        for (std::size_t i = 0; i < board().count(); ++i)
            if (board().entry(i).capture->id == id)
                return i;
        ADD_FAILURE() << "not on the board: " << id;
        return 0;
    }
    // A right-click on the capture's card or row.
    QMenu* rightClick(const std::string& id) {
        const QPoint at = board().itemRect(indexOf(id)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, board().viewport()->mapToGlobal(at));
        QApplication::sendEvent(board().viewport(), &event);
        return openMenu();
    }
    static QMenu* openMenu() {
        (void)QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    static QAction* item(QMenu* menu, const QString& title) {
        for (QAction* action : menu->actions())
            if (action->text() == title)
                return action;
        return nullptr;
    }
    static void choose(QMenu* menu, const QString& title) {
        QAction* action = item(menu, title);
        ASSERT_NE(action, nullptr) << title.toStdString();
        action->trigger();
        menu->close();
    }
    std::optional<Capture> stored(const std::string& id) { return f.store().capture(id); }

    LibraryFixture f;
    test::TestPreferences settings;
    test::RecordingActions actions;
    BoardView view{*f.library, settings.preferences, actions};
    std::vector<std::filesystem::path> revealed;
    std::string shot, note, done;
};

using Lines = std::vector<std::string>;

// The menu as a person reads it: titles, "-" for a divider, "> " before a submenu's items.
Lines readMenu(QMenu* menu) {
    Lines lines;
    const auto line = [](QAction* action) {
        return action->isSeparator() ? std::string("-") : toStdString(action->text());
    };
    for (QAction* action : menu->actions()) {
        lines.push_back(line(action));
        if (QMenu* sub = action->menu())
            for (QAction* inner : sub->actions())
                lines.push_back("> " + line(inner));
    }
    return lines;
}

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

TEST(BoardContextMenuTest, EachCaptureOffersWhatAppliesToIt) {
    MenuBoard b;
    const Lines people{"> Unassigned", "> -", "> Ada && Co", "> Fixer (bot)"};
    struct Case {
        std::string id;
        Lines lines;
    };
    const std::vector<Case> cases{
        {b.shot, Lines{"Open", "Show in Folder", "Assign to"} + people +
                     Lines{"-", "Mark resolved", "Delete"}},
        {b.note, Lines{"Open", "Assign to"} + people + Lines{"-", "Mark resolved", "Delete"}},
        {b.done, Lines{"Open", "Show in Folder", "Assign to"} + people + Lines{"-", "Delete"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        QMenu* menu = b.rightClick(c.id);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(readMenu(menu), c.lines);
        EXPECT_FALSE(b.item(menu, QStringLiteral("Delete"))->icon().isNull());
        menu->close();
    }
    // Signed out, nobody is offered.
    b.f.store().setSyncMeta("user_id", std::nullopt);
    b.f.reloadAndWait();
    QMenu* menu = b.rightClick(b.note);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(readMenu(menu), (Lines{"Open", "-", "Mark resolved", "Delete"}));
    menu->close();
}

TEST(BoardContextMenuTest, ItsItemsWriteTheStore) {
    MenuBoard b;
    b.choose(b.rightClick(b.shot), QStringLiteral("Mark resolved"));
    b.f.settle();
    ASSERT_EQ(b.stored(b.shot)->status, CaptureStatus::resolved);
    const auto history = b.f.store().activity(b.shot);
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.back().actor, "you");

    QMenu* menu = b.rightClick(b.note);
    ASSERT_NE(menu, nullptr);
    QAction* assign = b.item(menu, QStringLiteral("Assign to"));
    ASSERT_NE(assign, nullptr);
    b.choose(assign->menu(), QStringLiteral("Fixer (bot)"));
    menu->close();
    b.f.settle();
    EXPECT_EQ(b.stored(b.note)->assigneeID, "b-fix");

    b.choose(b.rightClick(b.shot), QStringLiteral("Show in Folder"));
    ASSERT_EQ(b.revealed.size(), 1u);
    EXPECT_EQ(b.revealed.front(), *TavroPaths::imageFilePath(b.stored(b.shot)->imagePath));

    // The detail pane opens in the board's place and shows its file the same way.
    b.choose(b.rightClick(b.shot), QStringLiteral("Open"));
    ASSERT_NE(b.view.detail(), nullptr);
    EXPECT_EQ(b.view.detail()->captureID(), b.shot);
    b.view.detail()->header()->revealButton()->click();
    ASSERT_EQ(b.revealed.size(), 2u);
    EXPECT_EQ(b.revealed.back(), b.revealed.front());
    b.view.closeCapture();

    // Gone at once, without a question.
    b.choose(b.rightClick(b.done), QStringLiteral("Delete"));
    b.f.settle();
    EXPECT_FALSE(b.stored(b.done));
    EXPECT_EQ(b.view.findChild<QMessageBox*>(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return b.board().count() == 2; }, 2000));
}

TEST(BoardContextMenuTest, AFailedWriteIsShownAndChangesNothing) {
    MenuBoard b;
    b.f.store().db().executeRaw("CREATE TRIGGER refuse BEFORE UPDATE ON captures BEGIN "
                                "SELECT RAISE(ABORT, 'the disk is full'); END;");
    struct Case {
        const char* item;
        const char* alert;
    };
    const std::vector<Case> cases{{"Mark resolved", BoardTexts::resolveFailed},
                                  {"Delete", BoardTexts::deleteFailed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        b.choose(b.rightClick(b.shot), QString::fromUtf8(c.item));
        QMessageBox* alert = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return (alert = b.view.findChild<QMessageBox*>()) != nullptr; }, 2000));
        EXPECT_EQ(alert->text(), QString::fromUtf8(c.alert));
        EXPECT_TRUE(alert->informativeText().contains(QStringLiteral("the disk is full")))
            << alert->informativeText().toStdString();
        test::savePicture(*alert, QStringLiteral("board-write-failed"));
        alert->close();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        const auto kept = b.stored(b.shot);
        ASSERT_TRUE(kept);
        EXPECT_EQ(kept->status, CaptureStatus::open);
    }
}

TEST(BoardContextMenuTest, TheKeyboardMovesOpensAndAsksForTheMenu) {
    MenuBoard b;
    std::vector<std::string> opened;
    CaptureBoardView& board = b.board();
    b.view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&b.view));
    board.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return board.hasFocus(); }, 2000));
    EXPECT_EQ(board.currentIndex(), std::nullopt);
    QTest::keyClick(&board, Qt::Key_Right); // the first key lands on the first capture
    EXPECT_EQ(board.currentIndex(), 0u);
    QTest::keyClick(&board, Qt::Key_Right);
    QTest::keyClick(&board, Qt::Key_Right);
    QTest::keyClick(&board, Qt::Key_Right); // stays on the last
    EXPECT_EQ(board.currentIndex(), 2u);
    QTest::keyClick(&board, Qt::Key_Home);
    EXPECT_EQ(board.currentIndex(), 0u);
    test::savePicture(b.view, QStringLiteral("board-keyboard-focus"));

    QTest::keyClick(&board, Qt::Key_F10, Qt::ShiftModifier);
    QMenu* menu = MenuBoard::openMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(readMenu(menu).front(), "Open");
    EXPECT_NE(MenuBoard::item(menu, QStringLiteral("Show in Folder")), nullptr);
    test::savePicture(*menu, QStringLiteral("board-context-menu"));
    menu->close();

    // Rows go up and down one at a time; the keyboard follows its capture through a reload.
    b.view.setLayoutMode(LayoutMode::list);
    QTest::keyClick(&board, Qt::Key_Down);
    EXPECT_EQ(board.entry(*board.currentIndex()).capture->id, b.note);
    ASSERT_TRUE(test::awaitWrite(b.f.library->deleteCapture(b.shot)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return board.count() == 2; }, 2000));
    EXPECT_EQ(board.entry(*board.currentIndex()).capture->id, b.note);
    // The menu key, as the X11 platform hands it on: a context menu event from the keyboard.
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(1, 1),
                              board.mapToGlobal(QPoint(1, 1)));
    QApplication::sendEvent(&board, &menuKey);
    menu = MenuBoard::openMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(readMenu(menu), (Lines{"Open", "Assign to", "> Unassigned", "> -", "> Ada && Co",
                                     "> Fixer (bot)", "-", "Mark resolved", "Delete"}));
    menu->close();
}
