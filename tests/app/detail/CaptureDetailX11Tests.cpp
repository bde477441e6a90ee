#include "board/BoardView.h"
#include "board/CaptureBoardView.h"
#include "board/SidebarView.h"
#include "compose/CaptureImageView.h"
#include "compose/Filmstrip.h"
#include "detail/CaptureDetailView.h"
#include "detail/CommentCard.h"
#include "detail/CommentSection.h"
#include "detail/DetailHeaderBar.h"
#include "detail/NoteSection.h"
#include "detail/ScreenshotArea.h"
#include "detail/WorkflowSection.h"
#include "model/Annotation.h"
#include "model/Paths.h"
#include "ui/Theme.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "LibraryFixture.h"
#include "ProcessRunner.h"
#include "RecordingActions.h"
#include "ViewPicture.h"
#include "ledger/SyncLedger.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tavro;
using tavro::test::LibraryFixture;

namespace {

// A page with a toolbar and a few blocks, so that the pane looks as it does with a real one.
QImage page(int width, int height, QColor tint) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(0xF8FAFC));
    QPainter painter(&image);
    const int unit = width / 40;
    painter.fillRect(0, 0, width, unit * 2, QColor(0x1E293B));
    painter.fillRect(unit, unit * 4, width / 4, height - unit * 5, QColor(0xE2E8F0));
    for (int i = 0; i < 5; ++i)
        painter.fillRect(width / 3, unit * (4 + 3 * i), width / 2 - i * unit * 2, unit,
                         QColor(0xCBD5E1));
    painter.setBrush(tint);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRect(width / 3, height * 2 / 3, width / 4, unit * 2), unit / 2,
                            unit / 2);
    return image;
}

struct Seeded {
    Seeded() {
        f.store().setSyncMeta("user_id", std::string("u-ada"));
        SyncLedger(f.store()).upsertPerson(Person{"u-ada", "Ada Lovelace", {}, {}, "person"});
        SyncLedger(f.store()).upsertPerson(Person{"u-grace", "Grace Hopper", {}, {}, "person"});
        group = *test::awaitWrite(f.library->createGroup("Checkout flow", "#6E7BF2"));

        Capture shot = LibraryFixture::makeCapture(
            "Checkout button overlaps the total\nOnly on narrow windows.", CapturePriority::high,
            CaptureMode::region, now() - 600);
        shot.appName = "Firefox";
        shot.appBundleID = "firefox";
        shot.windowTitle = "Checkout \u2014 Shop";
        shot.url = "https://shop.example/checkout";
        shot.displayName = "eDP-1";
        shot.displayScale = 2;
        shot.groupID = group.id;
        shot.authorID = "u-grace";
        shot.claimedBy = "claude";
        EXPECT_TRUE(test::awaitWrite(f.library->add(shot, {"layout", "mobile"}, {})));
        EXPECT_TRUE(test::awaitWrite(
            f.library->addImage(page(2880, 1800, QColor(0x4F5BD5)), shot.id, CaptureMode::region)));
        EXPECT_TRUE(test::awaitWrite(
            f.library->addImage(page(1200, 800, QColor(0xE11D48)), shot.id, CaptureMode::region)));
        screenshotID = shot.id;

        Capture text = LibraryFixture::makeCapture("Settings page typo", CapturePriority::normal,
                                                   CaptureMode::text, now() - 1200);
        EXPECT_TRUE(test::awaitWrite(f.library->add(text, {}, {})));
        noteOnlyID = text.id;
        f.reloadAndWait();
    }

    const BoardCapture& published(const std::string& id) const {
        for (const BoardCapture& capture : f.library->captures())
            if (capture.id == id)
                return capture;
        throw std::runtime_error("not published");
    }

    LibraryFixture f;
    CaptureGroup group;
    std::string screenshotID;
    std::string noteOnlyID;
};

struct Window {
    Window()
        : legacy(toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat)
        , preferences(
              std::make_unique<QSettings>(toQString((folder.path() / "current.conf").string()),
                                          QSettings::IniFormat),
              legacy)
        , dashboard(*seeded.f.library, preferences, actions) {
        dashboard.resize(1180, 760);
        dashboard.setFilter(LibraryFilter::everything());
        dashboard.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dashboard));
        // Escape reaches the pane's back button only in the active window.
        dashboard.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dashboard));
    }

    // Clicks the capture's card on the board.
    void clickCard(const std::string& id) {
        CaptureBoardView& board = *dashboard.board();
        for (std::size_t i = 0; i < board.count(); ++i)
            if (board.entry(i).capture->id == id) {
                QTest::mouseClick(board.viewport(), Qt::LeftButton, Qt::NoModifier,
                                  board.itemRect(i).center());
                return;
            }
        ADD_FAILURE() << "no card for " << id;
    }

    // The open pane, once it has read what it shows.
    CaptureDetailView& pane() {
        EXPECT_NE(dashboard.detail(), nullptr);
        seeded.f.settle();
        return *dashboard.detail();
    }

    // Lets the pane's pictures arrive, then saves it.
    void picture(const QString& name) {
        if (CaptureDetailView* pane = dashboard.detail();
            pane && !pane->showsDeletedNotice() && !pane->screenshots()->showsNoScreenshot()) {
            const CaptureImageView* image = pane->screenshots()->showsActualSize()
                                                ? pane->screenshots()->actualSizeImageView()
                                                : pane->screenshots()->imageView();
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return image->shown() != CaptureImageView::Shown::placeholder; }, 5000));
        }
        test::savePicture(dashboard, name);
    }

    std::vector<std::pair<std::string, std::string>> waitForPosts(std::size_t count) {
        EXPECT_TRUE(actions.waitForCalls(count));
        return actions.calls;
    }

    Seeded seeded;
    test::TempFolder folder;
    QSettings legacy;
    Preferences preferences;
    test::RecordingActions actions;
    BoardView dashboard;
};

TEST(CaptureDetailPaneTest, ACardClickOpensThePaneAndEscapeGoesBack) {
    Window w;
    w.clickCard(w.seeded.screenshotID);
    ASSERT_NE(w.dashboard.detail(), nullptr);
    CaptureDetailView& pane = w.pane();
    EXPECT_EQ(pane.captureID(), w.seeded.screenshotID);
    EXPECT_TRUE(pane.isVisible());
    EXPECT_FALSE(w.dashboard.board()->isVisible());
    const DetailHeaderContent& header = pane.header()->content();
    EXPECT_EQ(header.title, "Checkout button overlaps the total");
    EXPECT_EQ(header.appName, "Firefox");
    EXPECT_EQ(header.windowTitle, "Checkout \u2014 Shop");
    EXPECT_TRUE(pane.header()->revealButton()->isVisible());
    EXPECT_EQ(pane.header()->revealButton()->accessibleName(), QStringLiteral("Show in Folder"));
    EXPECT_EQ(pane.state().images().size(), 2u);
    EXPECT_EQ(pane.filmstrip()->tiles().size(), 3u);
    EXPECT_FALSE(pane.screenshots()->showsNoScreenshot());
    EXPECT_EQ(pane.screenshots()->markupButton()->text(), QStringLiteral("Mark up"));
    const WorkflowContent& workflow = pane.workflow()->content();
    EXPECT_TRUE(workflow.showsAssignee);
    ASSERT_TRUE(workflow.filedBy);
    EXPECT_EQ(workflow.filedBy->name, "Grace Hopper");
    EXPECT_EQ(workflow.claim, "Claimed by claude");
    EXPECT_EQ(workflow.groupLabel, "Checkout flow");
    w.picture(QStringLiteral("detail-pane"));

    // The shortcut clicks the back button as a press would, a moment later.
    QTest::keyClick(&pane, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.dashboard.detail() == nullptr; }, 2000));
    EXPECT_TRUE(w.dashboard.board()->isVisible());

    // The back button does the same.
    w.clickCard(w.seeded.noteOnlyID);
    ASSERT_NE(w.dashboard.detail(), nullptr);
    QTest::mouseClick(w.pane().header()->backButton(), Qt::LeftButton);
    EXPECT_EQ(w.dashboard.detail(), nullptr);
}

TEST(CaptureDetailPaneTest, ChangingTheStatusToResolvedWritesTheRowAndItsHistory) {
    Window w;
    w.dashboard.openCapture(w.seeded.screenshotID);
    CaptureDetailView& pane = w.pane();
    QAbstractButton* resolved = pane.workflow()->statusChip(CaptureStatus::resolved);
    ASSERT_NE(resolved, nullptr);
    EXPECT_EQ(resolved->text(), QStringLiteral("Resolved"));
    QTest::mouseClick(resolved, Qt::LeftButton);
    w.seeded.f.settle();

    const auto stored = w.seeded.f.store().capture(w.seeded.screenshotID);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->status, CaptureStatus::resolved);
    const auto history = w.seeded.f.store().activity(w.seeded.screenshotID);
    ASSERT_FALSE(history.empty());
    EXPECT_EQ(history.back().kind, "status_changed");
    EXPECT_EQ(history.back().detail, "Open \u2192 Resolved");
    EXPECT_EQ(history.back().actor, "you");
    EXPECT_TRUE(pane.writeFailure().isEmpty());

    // The chips follow once the board is published again.
    w.seeded.f.settle();
    EXPECT_TRUE(pane.workflow()->content().statuses[2].current);

    // Priority and group go through the capture's own row.
    QTest::mouseClick(pane.workflow()->priorityChip(CapturePriority::low), Qt::LeftButton);
    w.seeded.f.settle();
    EXPECT_EQ(w.seeded.f.store().capture(w.seeded.screenshotID)->priority, CapturePriority::low);
    w.seeded.f.settle();
    EXPECT_TRUE(pane.workflow()->content().priorities[0].current);
    w.picture(QStringLiteral("detail-pane-resolved"));
}

TEST(CaptureDetailPaneTest, AFilterChangeClosesThePaneAndTheSameFilterDoesNot) {
    Window w;
    w.clickCard(w.seeded.screenshotID);
    ASSERT_NE(w.dashboard.detail(), nullptr);
    w.dashboard.setFilter(LibraryFilter::everything());
    EXPECT_NE(w.dashboard.detail(), nullptr);
    w.dashboard.sidebar()->setSelection(LibraryFilter::inbox());
    w.dashboard.setFilter(LibraryFilter::inbox());
    EXPECT_EQ(w.dashboard.detail(), nullptr);
    EXPECT_TRUE(w.dashboard.board()->isVisible());
}

TEST(CaptureDetailPaneTest, MarkUpAndAddScreenshotAskTheAppThroughItsNotifications) {
    Window w;
    w.dashboard.openCapture(w.seeded.screenshotID);
    CaptureDetailView& pane = w.pane();
    const std::string first = pane.state().images()[0].id;
    const std::string second = pane.state().images()[1].id;

    QTest::mouseClick(pane.screenshots()->markupButton(), Qt::LeftButton);
    const QPoint onImage = pane.screenshots()->fittedImageRect().center();
    QWidget* hit = pane.screenshots()->childAt(onImage);
    ASSERT_NE(hit, nullptr);
    QTest::mouseClick(hit, Qt::LeftButton, Qt::NoModifier,
                      hit->mapFrom(pane.screenshots(), onImage));
    // A click on another tile shows it large; a click on the one shown opens the editor.
    QTest::mouseClick(pane.filmstrip()->tiles()[1], Qt::LeftButton);
    EXPECT_EQ(pane.state().selectedImageID(), second);
    QTest::mouseClick(pane.filmstrip()->tiles()[1], Qt::LeftButton);
    QTest::mouseClick(pane.filmstrip()->tiles()[2], Qt::LeftButton);
    const auto posted = w.waitForPosts(4);
    using Post = std::pair<std::string, std::string>;
    EXPECT_EQ(posted, (std::vector<Post>{{"annotate", first},
                                         {"annotate", first},
                                         {"annotate", second},
                                         {"add", w.seeded.screenshotID}}));

    w.dashboard.closeCapture();
    w.dashboard.openCapture(w.seeded.noteOnlyID);
    CaptureDetailView& text = w.pane();
    EXPECT_TRUE(text.screenshots()->showsNoScreenshot());
    EXPECT_FALSE(text.header()->zoomButton()->isVisible());
    EXPECT_FALSE(text.header()->revealButton()->isVisible());
    EXPECT_FALSE(text.header()->copyButton()->isVisible());
    w.picture(QStringLiteral("detail-no-screenshot"));
    QTest::mouseClick(text.screenshots()->addScreenshotButton(), Qt::LeftButton);
    EXPECT_EQ(w.waitForPosts(5).back(), (Post{"add", w.seeded.noteOnlyID}));
}

TEST(CaptureDetailPaneTest, ActualSizeShowsTheScreenshotAtItsDisplayScale) {
    Window w;
    w.dashboard.openCapture(w.seeded.screenshotID);
    CaptureDetailView& pane = w.pane();
    QTest::mouseClick(pane.header()->zoomButton(), Qt::LeftButton);
    ScreenshotArea& area = *pane.screenshots();
    ASSERT_TRUE(area.showsActualSize());
    EXPECT_EQ(area.actualSizeImageView()->size(), QSize(1440, 900));
    EXPECT_EQ(pane.header()->zoomButton()->accessibleName(), QStringLiteral("Fit to window"));
    EXPECT_FALSE(area.markupButton()->isVisible());
    (void)QTest::qWaitFor(
        [&] {
            return area.scrollArea()->horizontalScrollBar()->maximum() > 0 &&
                   area.scrollArea()->verticalScrollBar()->maximum() > 0;
        },
        2000);
    EXPECT_TRUE(area.scrollArea()->horizontalScrollBar()->maximum() > 0);
    EXPECT_TRUE(area.scrollArea()->verticalScrollBar()->maximum() > 0);
    w.picture(QStringLiteral("detail-actual-size"));
    // The padding around the image is the area's own colour, not a lighter band.
    const QImage shown = area.grab().toImage();
    const QPoint padding =
        area.scrollArea()->viewport()->mapTo(&area, QPoint(4, 4)) * area.devicePixelRatioF();
    EXPECT_EQ(shown.pixelColor(padding).rgb(), Theme::surfaceSunken.resolved(area.palette()).rgb());

    QTest::mouseClick(pane.header()->zoomButton(), Qt::LeftButton);
    EXPECT_FALSE(area.showsActualSize());
    EXPECT_TRUE(area.markupButton()->isVisible());
}

TEST(CaptureDetailPaneTest, RemovingTheShownScreenshotShowsTheFirstOneLeft) {
    Window w;
    w.dashboard.openCapture(w.seeded.screenshotID);
    CaptureDetailView& pane = w.pane();
    const std::string first = pane.state().images()[0].id;
    QTest::mouseClick(pane.filmstrip()->tiles()[0], Qt::LeftButton);
    QMenu* menu = pane.filmstrip()->openMenu(0, pane.filmstrip()->mapToGlobal(QPoint(10, 10)));
    ASSERT_NE(menu, nullptr);
    menu->actions().back()->trigger();
    w.seeded.f.settle();
    ASSERT_EQ(pane.state().images().size(), 1u);
    EXPECT_NE(pane.state().selectedImageID(), first);
    EXPECT_EQ(pane.state().selectedImageID(), pane.state().images()[0].id);
    EXPECT_EQ(pane.filmstrip()->tiles().size(), 2u);
}

TEST(CaptureDetailPaneTest, ACaptureDeletedWhileOpenTurnsIntoTheNotice) {
    Window w;
    w.dashboard.openCapture(w.seeded.noteOnlyID);
    w.seeded.f.store().softDelete(w.seeded.noteOnlyID);
    w.seeded.f.reloadAndWait();
    ASSERT_TRUE(w.pane().showsDeletedNotice());
    w.picture(QStringLiteral("detail-deleted"));
    auto* back = w.pane().findChild<QAbstractButton*>(QStringLiteral("backToBoard"));
    ASSERT_NE(back, nullptr);
    QTest::mouseClick(back, Qt::LeftButton);
    EXPECT_EQ(w.dashboard.detail(), nullptr);

    // The delete button deletes and goes back.
    w.dashboard.openCapture(w.seeded.screenshotID);
    QTest::mouseClick(w.pane().header()->deleteButton(), Qt::LeftButton);
    w.seeded.f.settle();
    EXPECT_EQ(w.dashboard.detail(), nullptr);
    EXPECT_FALSE(w.seeded.f.store().capture(w.seeded.screenshotID).has_value());
}

// By keyboard: a status chosen with Space keeps the focus on its chip, Tab walks the controls in
// the order they are drawn (the status and priority rows before the note and the comment
// field), and a screen reader hears which choice is current as a checked radio button.
TEST(CaptureDetailPaneTest, TheKeyboardAndScreenReadersFindTheWorkflowChipsInPlace) {
    Window w;
    w.dashboard.openCapture(w.seeded.screenshotID);
    CaptureDetailView& pane = w.pane();
    WorkflowSection& workflow = *pane.workflow();

    const auto tabOrder = [&] {
        std::vector<QWidget*> stops;
        QWidget* start = workflow.statusChip(CaptureStatus::open);
        for (QWidget* at = start; at; at = at->nextInFocusChain()) {
            if ((at->focusPolicy() & Qt::TabFocus) && at->isVisibleTo(&w.dashboard))
                stops.push_back(at);
            if (at->nextInFocusChain() == start || stops.size() > 200)
                break;
        }
        return stops;
    };
    const auto position = [](const std::vector<QWidget*>& stops, const QWidget* widget) {
        return std::find(stops.begin(), stops.end(), widget) - stops.begin();
    };
    const auto expectDrawnOrder = [&] {
        const auto stops = tabOrder();
        const auto group = position(stops, workflow.groupMenu());
        EXPECT_LT(position(stops, workflow.priorityChip(CapturePriority::high)), group);
        EXPECT_LT(group, position(stops, pane.note()->editor()));
        EXPECT_LT(position(stops, pane.note()->editor()),
                  position(stops, pane.comments()->field()));
    };
    expectDrawnOrder();

    QAbstractButton* resolved = workflow.statusChip(CaptureStatus::resolved);
    resolved->setFocus(Qt::TabFocusReason);
    QTest::keyClick(resolved, Qt::Key_Space);
    w.seeded.f.settle();
    w.seeded.f.settle();
    ASSERT_EQ(w.seeded.f.store().capture(w.seeded.screenshotID)->status, CaptureStatus::resolved);
    EXPECT_EQ(QApplication::focusWidget(), workflow.statusChip(CaptureStatus::resolved));
    expectDrawnOrder();

    for (const CaptureStatus status : {CaptureStatus::open, CaptureStatus::resolved}) {
        QAccessibleInterface* chip =
            QAccessible::queryAccessibleInterface(workflow.statusChip(status));
        ASSERT_NE(chip, nullptr);
        EXPECT_EQ(chip->role(), QAccessible::RadioButton);
        EXPECT_TRUE(chip->state().checkable);
        EXPECT_EQ(bool(chip->state().checked), status == CaptureStatus::resolved);
        EXPECT_TRUE(chip->text(QAccessible::Description).isEmpty());
    }
    QAccessibleInterface* high =
        QAccessible::queryAccessibleInterface(workflow.priorityChip(CapturePriority::high));
    EXPECT_TRUE(high->state().checked);
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(workflow.priorityChip(CapturePriority::low))
                     ->state()
                     .checked);
}

// While an agent comments on the open capture, the comment field stays where the user is typing:
// each new comment comes in above it and scrolls the pane by its own height, and the cards
// already shown are neither moved nor resized.
TEST(CaptureDetailPaneTest, NewCommentsLeaveTheFieldAndTheCardsAboveWhereTheyAre) {
    Window w;
    const auto comment = [&](int i) {
        Comment added;
        added.id = "agent-" + std::to_string(i);
        added.captureID = w.seeded.screenshotID;
        added.author = "claude";
        added.isAgent = true;
        added.kind = "comment";
        added.body = "Looked at it again (" + std::to_string(i) +
                     "): the total still overlaps the button below 900 px.";
        // A word far wider than the pane wraps inside the card instead of widening the pane.
        if (i == 29)
            added.body = "Built from https://ci.example.com/builds/checkout-flow/2026-05-12/"
                         "9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08";
        added.createdAt = now() - 600 + i;
        w.seeded.f.store().addComment(added);
    };
    for (int i = 0; i < 30; ++i)
        comment(i);
    w.seeded.f.reloadAndWait();
    w.dashboard.openCapture(w.seeded.screenshotID);
    CaptureDetailView& pane = w.pane();
    QScrollArea& side = *pane.sideColumn();
    QLineEdit& field = *pane.comments()->field();
    ASSERT_EQ(pane.comments()->cards().size(), 30u);
    side.ensureWidgetVisible(&field);
    QCoreApplication::processEvents();
    field.setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(&field, QStringLiteral("Same here"));
    const auto fieldOnScreen = [&] {
        return field.mapTo(side.viewport(), QPoint(0, 0));
    };
    const QPoint typingAt = fieldOnScreen();
    ASSERT_GE(typingAt.y(), 0);
    ASSERT_LT(typingAt.y(), side.viewport()->height());
    ASSERT_GT(side.verticalScrollBar()->value(), 0) << "the pane scrolls";
    EXPECT_LE(side.widget()->width(), side.viewport()->width()) << "nothing widens the pane";
    w.picture(QStringLiteral("detail-long-word-comment"));

    const std::vector<CommentCard*> before = pane.comments()->cards();
    std::vector<QRect> frames;
    for (CommentCard* card : before)
        frames.push_back(card->geometry());
    for (int i = 30; i < 36; ++i) {
        SCOPED_TRACE(i);
        comment(i);
        w.seeded.f.library->checkForChanges();
        w.seeded.f.settle();
        QCoreApplication::processEvents();
        ASSERT_EQ(pane.comments()->cards().size(), std::size_t(i + 1));
        EXPECT_EQ(fieldOnScreen(), typingAt);
        EXPECT_TRUE(field.hasFocus());
    }
    EXPECT_EQ(field.text(), QStringLiteral("Same here"));
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(pane.comments()->cards()[i]->geometry(), frames[i]) << i;
    w.picture(QStringLiteral("detail-comments-arriving"));
}

TEST(CaptureDetailPaneTest, AWriteThatFailsIsShownAndACaptureThatStaysKeepsItsPane) {
    Window w;
    w.dashboard.openCapture(w.seeded.screenshotID);
    CaptureDetailView& pane = w.pane();
    // The library refuses every change of a capture from here on.
    w.seeded.f.store().db().executeRaw("CREATE TRIGGER refuse BEFORE UPDATE ON captures BEGIN "
                                       "SELECT RAISE(ABORT, 'the disk is full'); END;");
    QTest::mouseClick(pane.workflow()->statusChip(CaptureStatus::resolved), Qt::LeftButton);
    w.seeded.f.settle();
    EXPECT_FALSE(pane.writeFailure().isEmpty());
    QTest::mouseClick(pane.header()->deleteButton(), Qt::LeftButton);
    w.seeded.f.settle();
    ASSERT_EQ(w.dashboard.detail(), &pane);
    EXPECT_FALSE(pane.writeFailure().isEmpty());
    w.picture(QStringLiteral("detail-write-failed"));

    w.seeded.f.store().db().executeRaw("DROP TRIGGER refuse;");
    QTest::mouseClick(pane.workflow()->statusChip(CaptureStatus::inProgress), Qt::LeftButton);
    w.seeded.f.settle();
    EXPECT_TRUE(pane.writeFailure().isEmpty());
    EXPECT_EQ(w.seeded.f.store().capture(w.seeded.screenshotID)->status, CaptureStatus::inProgress);
}

TEST(CaptureDetailPaneTest, ASavedMarkupShowsAtOnceAlsoWhenItIsDrawnAgain) {
    Window w;
    w.dashboard.openCapture(w.seeded.screenshotID);
    CaptureDetailView& pane = w.pane();
    CaptureImageView& shown = *pane.screenshots()->imageView();
    const auto loaded = [&] {
        return shown.shown() == CaptureImageView::Shown::image;
    };
    ASSERT_TRUE(QTest::qWaitFor(loaded, 5000));
    const QImage plain = shown.image();

    const auto markUp = [&](double x) {
        AnnotationShape box{
            "s1", AnnotationTool::rectangle, "#FF3B30", 0.009, {{x, 0.1}, {x + 0.3, 0.5}}};
        const CaptureImage image = *pane.state().selectedImage();
        ASSERT_TRUE(test::awaitWrite(w.seeded.f.library->saveAnnotation(Annotation{{box}}, image)));
        w.seeded.f.settle();
    };
    markUp(0.1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded() && shown.image() != plain; }, 5000));
    EXPECT_EQ(pane.screenshots()->markupButton()->text(), QStringLiteral("Edit marks"));
    const QImage first = shown.image();
    // The marked copy keeps its file name; the pane reads it again all the same.
    markUp(0.5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return loaded() && shown.image() != first; }, 5000));
}

TEST(CaptureDetailPaneTest, AnotherProgramsChangesShowInTheOpenPane) {
    Window w;
    w.dashboard.openCapture(w.seeded.screenshotID);
    CaptureDetailView& pane = w.pane();
    const std::string database = TavroPaths::databasePath().string();
    auto result = test::ProcessRunner::run(
        {TAVRO_STORE_PROBE, "claim-resolve", database, w.seeded.screenshotID, "1", "agent"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    result = test::ProcessRunner::run(
        {TAVRO_STORE_PROBE, "append-images", database, w.seeded.screenshotID, "1"});
    ASSERT_EQ(result.exitCode, 0) << result.err;

    // Within the facade's 3 s poll, with room for a loaded machine.
    const auto& workflow = pane.workflow()->content();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return workflow.resolution == "agent0" && pane.state().images().size() == 3; },
        5000));
    EXPECT_TRUE(workflow.statuses[2].current);
    EXPECT_EQ(workflow.claim, "Claimed by agent");
    EXPECT_EQ(pane.filmstrip()->tiles().size(), 4u);
    w.picture(QStringLiteral("detail-pane-agent"));
}

TEST(CaptureDetailPaneTest, ANarrowWindowKeepsBothColumnsAndShortensTheHeader) {
    Window w;
    w.dashboard.resize(1010, 620);
    w.dashboard.openCapture(w.seeded.screenshotID);
    CaptureDetailView& pane = w.pane();
    (void)QTest::qWaitFor(
        [&] { return pane.sideColumn()->width() >= 344 && pane.screenshots()->width() >= 360; },
        2000);
    EXPECT_GE(pane.sideColumn()->width(), 344);
    EXPECT_GE(pane.screenshots()->width(), 360);
    EXPECT_LE(pane.width(), 1010 - 190);
    w.picture(QStringLiteral("detail-pane-narrow"));
}

TEST(CaptureDetailPaneTest, CopyImagePutsTheCoverOnTheClipboardAsPNG) {
    Window w;
    w.dashboard.openCapture(w.seeded.screenshotID);
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(w.pane().header()->copyButton(), Qt::LeftButton);
    // The cover is read and decoded off the GUI thread.
    (void)QTest::qWaitFor(
        [] {
            const QMimeData* data = QGuiApplication::clipboard()->mimeData();
            return data && data->hasFormat(QStringLiteral("image/png"));
        },
        5000);
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    ASSERT_TRUE(data->hasFormat(QStringLiteral("image/png")));
    QImage copied;
    ASSERT_TRUE(copied.loadFromData(data->data(QStringLiteral("image/png")), "PNG"));
    EXPECT_EQ(copied.size(), QSize(2880, 1800));
}

} // namespace
