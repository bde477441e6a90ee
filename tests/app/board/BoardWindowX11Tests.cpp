#include "board/BoardView.h"
#include "board/CaptureBoardView.h"
#include "board/EmptyStateView.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "LibraryFixture.h"
#include "RecordingActions.h"
#include "ViewPicture.h"
#include "ledger/SyncLedger.h"

#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;

namespace {

// A window-like picture, so that cards look as they do with real screenshots.
QImage screenshot(int seed) {
    const QColor tints[] = {QColor(0x2563EB), QColor(0x059669), QColor(0xD97706), QColor(0x7C3AED),
                            QColor(0xE11D48)};
    const QColor tint = tints[seed % 5];
    QImage image(1200, seed % 4 == 0 ? 1200 : 760, QImage::Format_RGB32);
    image.fill(QColor(0xF4F5F7));
    QPainter painter(&image);
    painter.fillRect(0, 0, image.width(), 56, QColor(0x1F2937));
    painter.fillRect(0, 56, 240, image.height() - 56, QColor(0xE5E7EB));
    for (int i = 0; i < 6; ++i)
        painter.fillRect(24, 96 + i * 52, 180 - (i * 23) % 60, 18, QColor(0xC7CBD1));
    painter.fillRect(300, 110, 820, 60, tint.lighter(170));
    for (int i = 0; i < 5; ++i)
        painter.fillRect(300, 210 + i * 70, 760 - (i * 97 + seed * 31) % 300, 22, QColor(0xD1D5DB));
    painter.setBrush(tint);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRect(300 + (seed * 57) % 500, 600, 220, 64), 12, 12);
    return image;
}

const char* const notes[] = {
    "Checkout button clipped on narrow windows\nThe label wraps under the price when the "
    "window is narrower than 900 px.",
    "Login spinner never stops",
    "Avatar upload fails silently\nNo error when the file is over 5 MB; the dialog just closes.",
    "Dark mode: sidebar text unreadable",
    "Typo in onboarding step 2: \"recieve\"",
    "Search results flash empty before loading\nHappens on every keystroke after the first.",
    "Settings toggle does not persist after restart",
    "",
    "Tooltip covers the close button",
    "Graph axis labels overlap at 125 % zoom\nSeen on the weekly report page only.",
};

struct App {
    const char* name;
    const char* bundleID;
    const char* window;
};
const App apps[] = {
    {"Firefox", "firefox", "Checkout – Shop"},         {"Files", "org.gnome.Nautilus", "Downloads"},
    {"Terminal", "org.gnome.Terminal", "npm run dev"}, {"Slack", "slack", "#design – Acme"},
    {"Settings", "org.gnome.Settings", "Settings"},
};

void seed(test::LibraryFixture& fixture) {
    CaptureGroup checkout;
    checkout.id = "group-checkout";
    checkout.name = "Checkout";
    checkout.colorHex = "#10B981";
    CaptureGroup onboarding = checkout;
    onboarding.id = "group-onboarding";
    onboarding.name = "Onboarding";
    onboarding.colorHex = "#8B5CF6";
    fixture.store().upsertGroup(checkout);
    fixture.store().upsertGroup(onboarding);
    SyncLedger(fixture.store())
        .upsertPerson(Person{"person-ada", "Ada Lovelace", {}, {}, "person"});

    const CaptureStatus statuses[] = {CaptureStatus::open, CaptureStatus::inProgress,
                                      CaptureStatus::open, CaptureStatus::resolved,
                                      CaptureStatus::archived};
    for (int i = 0; i < 40; ++i) {
        const bool withImage = i % 3 != 2;
        Capture capture = test::LibraryFixture::makeCapture(
            notes[i % 10],
            i % 5 == 0   ? CapturePriority::high
            : i % 7 == 3 ? CapturePriority::low
                         : CapturePriority::normal,
            withImage ? CaptureMode::region : CaptureMode::text, now() - 60 - i * 5400.0);
        capture.status = statuses[i % 5];
        if (i % 4 == 0)
            capture.groupID = checkout.id;
        else if (i % 4 == 1)
            capture.groupID = onboarding.id;
        if (i % 6 != 5) {
            const App& app = apps[i % 5];
            capture.appName = app.name;
            capture.appBundleID = app.bundleID;
            capture.windowTitle = app.window;
        }
        if (i % 8 == 3)
            capture.claimedBy = "claude";
        if (i % 9 == 2)
            capture.assigneeID = "person-ada";
        std::vector<std::string> tags;
        if (i % 3 == 0)
            tags = {"ui", "checkout", "safari"};
        else if (i % 5 == 1)
            tags = {"perf"};
        EXPECT_TRUE(test::awaitWrite(fixture.library->add(capture, tags, {})));
        if (withImage) {
            EXPECT_TRUE(test::awaitWrite(
                fixture.library->addImage(screenshot(i), capture.id, CaptureMode::region)));
            if (i % 5 == 3) {
                EXPECT_TRUE(test::awaitWrite(
                    fixture.library->addImage(screenshot(i + 1), capture.id, CaptureMode::region)));
            }
        }
        for (int c = 0; c < (i % 6 == 0 ? i % 13 + 1 : 0); ++c)
            EXPECT_TRUE(test::awaitWrite(fixture.library->addComment("Looked at it", capture.id)));
    }
    fixture.reloadAndWait();
    ASSERT_EQ(fixture.library->captures().size(), 40u);
}

struct BoardWindow {
    test::TempFolder folder;
    QSettings legacy{toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat};
    Preferences preferences{
        std::make_unique<QSettings>(toQString((folder.path() / "current.conf").string()),
                                    QSettings::IniFormat),
        legacy};
    test::RecordingActions actions;
};

TEST(BoardWindow, ShowsMixedCapturesAsCardsAndRows) {
    test::LibraryFixture fixture;
    seed(fixture);
    BoardWindow window;
    BoardView dashboard(*fixture.library, window.preferences, window.actions);
    dashboard.resize(1180, 760); // the board window, its sidebar included
    dashboard.setFilter(LibraryFilter::everything());
    dashboard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dashboard));
    CaptureBoardView& board = *dashboard.board();
    ASSERT_EQ(board.count(), 40u);
    EXPECT_EQ(board.card(0).title, QStringLiteral("Checkout button clipped on narrow windows"));

    // Pictures arrive from the loader after the first paint.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            board.viewport()->repaint();
            return fixture.thumbnails.cache().count() >= 6;
        },
        5000));
    board.viewport()->repaint();
    test::savePicture(dashboard, QStringLiteral("board-cards"));

    QTest::mouseMove(board.viewport(), board.itemRect(1).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return board.liftOf(1) == 1.0; }));
    board.viewport()->repaint();
    test::savePicture(dashboard, QStringLiteral("board-cards-hover"));

    dashboard.setLayoutMode(LayoutMode::list);
    QTest::mouseMove(board.viewport(), board.itemRect(2).center());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            board.viewport()->repaint();
            return board.layoutMode() == LayoutMode::list;
        },
        2000));
    // The hovered row is drawn lifted once its animation has run.
    (void)QTest::qWaitFor([&] { return board.liftOf(2) == 1.0; }, 2000);
    board.viewport()->repaint();
    test::savePicture(dashboard, QStringLiteral("board-rows"));

    dashboard.setFilter(LibraryFilter::inbox());
    dashboard.setSearch(QStringLiteral("no such thing"));
    EXPECT_EQ(dashboard.emptyState()->content().title, QStringLiteral("No matches"));
    EXPECT_FALSE(dashboard.emptyState()->showsShortcutHint());
    test::savePicture(dashboard, QStringLiteral("board-empty-search"));
}

TEST(BoardWindow, AnEmptyInboxTeachesTheShortcut) {
    test::LibraryFixture fixture;
    BoardWindow window;
    BoardView dashboard(*fixture.library, window.preferences, window.actions);
    dashboard.resize(1180, 760);
    dashboard.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dashboard));
    EXPECT_EQ(dashboard.emptyState()->content().title, QStringLiteral("Nothing on the board"));
    EXPECT_TRUE(dashboard.emptyState()->showsShortcutHint());
    // A pasted line break alone is no search: the inbox still teaches the shortcut.
    dashboard.setSearch(QStringLiteral("\n"));
    EXPECT_EQ(dashboard.emptyState()->content().title, QStringLiteral("Nothing on the board"));
    test::savePicture(dashboard, QStringLiteral("board-empty-inbox"));
}

} // namespace
