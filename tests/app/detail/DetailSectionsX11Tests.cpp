#include "board/BoardView.h"
#include "board/CaptureBoardView.h"
#include "detail/CaptureDetailView.h"
#include "detail/CommentCard.h"
#include "detail/CommentSection.h"
#include "detail/ContextSection.h"
#include "detail/HistorySection.h"
#include "detail/NoteSection.h"
#include "detail/ScreenshotArea.h"
#include "detail/TagSection.h"
#include "library/Library.h"
#include "ui/Theme.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "LibraryFixture.h"
#include "ProcessRunner.h"
#include "RecordingActions.h"
#include "ViewPicture.h"
#include "ledger/SyncLedger.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace tavro;

namespace {

// A capture that has been around for a while: a screenshot, a page, comments and a history.
Capture seed(test::LibraryFixture& f) {
    SyncLedger(f.store()).upsertPerson(Person{"person-ada", "Ada Lovelace", {}, {}, "person"});
    Capture capture = test::LibraryFixture::makeCapture(
        "Checkout button overlaps the total\nOnly on narrow windows, below 900 px.",
        CapturePriority::high, CaptureMode::region, now() - 3 * 3600);
    capture.appName = "Firefox";
    capture.appBundleID = "firefox";
    capture.windowTitle = "Checkout \u2014 Shop";
    capture.url = "https://shop.example/checkout/payment/step-two?coupon=SPRING&session=4f1c9a7e";
    capture.displayName = "Built-in Display";
    capture.imagePath = "2026/12/checkout.png";
    capture.imageWidth = 3024;
    capture.imageHeight = 1964;
    EXPECT_TRUE(test::awaitWrite(f.library->add(capture, {"layout", "checkout"}, {})));
    EXPECT_TRUE(test::awaitWrite(f.library->assign(std::string("person-ada"), capture.id)));
    EXPECT_TRUE(test::awaitWrite(f.library->setStatus(CaptureStatus::inProgress, capture.id)));
    EXPECT_TRUE(
        test::awaitWrite(f.library->addComment("Seen on the staging build too.", capture.id)));
    f.store().addComment(Comment{.id = "c-agent",
                                 .captureID = capture.id,
                                 .author = "claude",
                                 .isAgent = true,
                                 .body = "The total is absolutely positioned; moving it into the "
                                         "flex row fixes the overlap.",
                                 .createdAt = now() - 600,
                                 .kind = "comment"});
    f.store().addComment(Comment{.id = "c-conflict",
                                 .captureID = capture.id,
                                 .author = "Ada Lovelace",
                                 .body = "Only on narrow windows.",
                                 .createdAt = now() - 60,
                                 .kind = "conflict"});
    f.reloadAndWait();
    return capture;
}

// The side column of the detail pane with the sections of this folder, as the pane stacks them.
struct SideColumn {
    SideColumn(Library& library, const std::string& captureID) {
        scroll.setWidgetResizable(true);
        scroll.setFrameShape(QFrame::NoFrame);
        auto* content = new QWidget;
        QPalette palette = content->palette();
        palette.setColor(QPalette::Window, Theme::surface.resolved(palette));
        content->setPalette(palette);
        content->setAutoFillBackground(true);
        auto* stack = new QVBoxLayout(content);
        stack->setContentsMargins(16, 16, 16, 16);
        stack->setSpacing(24);
        note = new NoteSection(library, captureID, content);
        context = new ContextSection(library, captureID, content);
        tags = new TagSection(library, captureID, content);
        comments = new CommentSection(library, captureID, content);
        history = new HistorySection(library, captureID, content);
        for (QWidget* section : {static_cast<QWidget*>(note), static_cast<QWidget*>(context),
                                 static_cast<QWidget*>(tags), static_cast<QWidget*>(comments),
                                 static_cast<QWidget*>(history)})
            stack->addWidget(section);
        stack->addStretch(1);
        scroll.setWidget(content);
        scroll.resize(372, 1000);
        scroll.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&scroll));
    }

    QScrollArea scroll;
    NoteSection* note = nullptr;
    ContextSection* context = nullptr;
    TagSection* tags = nullptr;
    CommentSection* comments = nullptr;
    HistorySection* history = nullptr;
};

// The board window on the seeded library with the capture's pane open, as a card click leaves it.
struct OpenPane {
    OpenPane()
        : capture(seed(f))
        , legacy(toQString((folder.path() / "legacy.conf").string()), QSettings::IniFormat)
        , preferences(
              std::make_unique<QSettings>(toQString((folder.path() / "current.conf").string()),
                                          QSettings::IniFormat),
              legacy)
        , dashboard(*f.library, preferences, actions) {
        dashboard.resize(1180, 760);
        dashboard.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&dashboard));
        CaptureBoardView& board = *dashboard.board();
        for (std::size_t i = 0; i < board.count(); ++i)
            if (board.entry(i).capture->id == capture.id)
                QTest::mouseClick(board.viewport(), Qt::LeftButton, Qt::NoModifier,
                                  board.itemRect(i).center());
        EXPECT_NE(dashboard.detail(), nullptr);
        f.settle();
    }

    CaptureDetailView& pane() { return *dashboard.detail(); }
    Capture stored() { return *f.store().capture(capture.id); }

    test::LibraryFixture f;
    Capture capture;
    test::TempFolder folder;
    QSettings legacy;
    Preferences preferences;
    test::RecordingActions actions;
    BoardView dashboard;
};

std::string toolCall(const std::string& name, const nlohmann::json& arguments) {
    return nlohmann::json{{"jsonrpc", "2.0"},
                          {"id", 1},
                          {"method", "tools/call"},
                          {"params", {{"name", name}, {"arguments", arguments}}}}
               .dump() +
           "\n";
}

// One request to the agent server on this library, as an agent's client sends it.
void askAgentServer(const std::string& name, const nlohmann::json& arguments) {
    const test::ProcessResult result =
        test::ProcessRunner::run({"/usr/bin/timeout", "20", TAVRO_MCP}, toolCall(name, arguments));
    ASSERT_EQ(result.exitCode, 0) << result.err;
    ASSERT_EQ(result.out.find("\"isError\":true"), std::string::npos) << result.out;
}

// What the board needs to notice another program's write: its poll, then a read.
constexpr int agentChangeShownWithinMs =
    Library::pollIntervalMs + Library::reloadLongestDelayMs + 1500;

} // namespace

TEST(DetailSectionsPicture, TheSideColumnOfACaptureWithCommentsAndHistory) {
    test::LibraryFixture f;
    const Capture capture = seed(f);
    SideColumn column(*f.library, capture.id);
    f.settle();
    (void)QTest::qWaitFor([&] { return column.comments->cards().size() == 3u; }, 5000);
    EXPECT_EQ(column.comments->cards().size(), 3u);
    EXPECT_TRUE(column.history->lines().front().startsWith(QStringLiteral("you changed status")))
        << column.history->lines().front().toStdString();
    test::savePicture(column.scroll, QStringLiteral("detail-sections"));

    const Capture typed =
        test::LibraryFixture::makeCapture("", CapturePriority::normal, CaptureMode::text);
    ASSERT_TRUE(test::awaitWrite(f.library->add(typed, {}, {})));
    f.settle();
    SideColumn bare(*f.library, typed.id);
    f.settle();
    bare.note->editor()->setFocus();
    (void)QTest::qWaitFor([&] { return bare.note->editor()->hasFocus(); }, 1000);
    EXPECT_EQ(bare.comments->cards().size(), 0u);
    test::savePicture(bare.scroll, QStringLiteral("detail-sections-empty"));
}

TEST(DetailPaneDesktop, ThePaneWithItsSideColumn) {
    OpenPane w;
    QScrollArea* side = w.pane().sideColumn();
    ASSERT_NE(side, nullptr);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return side->isVisible() && w.pane().comments()->cards().size() == 3u; }, 5000));
    // Beside the screenshots, inside the pane, with the note and comments in it.
    const auto inPane = [&](QWidget* widget) {
        return QRect(widget->mapTo(&w.pane(), QPoint()), widget->size());
    };
    const QRect column = inPane(side);
    EXPECT_GT(column.width(), 0);
    EXPECT_TRUE(w.pane().rect().contains(column)) << "within the pane";
    EXPECT_GE(column.left(), inPane(w.pane().screenshots()).right()) << "right of the image";
    EXPECT_TRUE(side->widget()->isAncestorOf(w.pane().note()));
    EXPECT_TRUE(side->widget()->isAncestorOf(w.pane().comments()));
    test::savePicture(w.dashboard, QStringLiteral("detail-pane-sections"));

    QScrollBar* bar = side->verticalScrollBar();
    bar->setValue(bar->maximum());
    EXPECT_EQ(bar->value(), bar->maximum());
    test::savePicture(w.dashboard, QStringLiteral("detail-pane-sections-scrolled"));
}

TEST(DetailPaneDesktop, ANoteEditIsStoredOnceTheAutosaveRunsOut) {
    OpenPane w;
    QPlainTextEdit* editor = w.pane().note()->editor();
    editor->setFocus();
    editor->moveCursor(QTextCursor::End);
    QTest::keyClicks(editor, QStringLiteral(" Also in Chrome."), Qt::NoModifier, 20);
    QElapsedTimer typed;
    typed.start();
    EXPECT_EQ(w.stored().note, w.capture.note);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return w.stored().note == w.capture.note + " Also in Chrome."; }, 5000));
    EXPECT_GE(typed.elapsed(), 500);
}

TEST(DetailPaneDesktop, AFilterChangeClosesThePaneAndKeepsTheNote) {
    OpenPane w;
    QPlainTextEdit* editor = w.pane().note()->editor();
    editor->setFocus();
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Rewritten just before leaving"));
    // Well inside the autosave's 600 ms.
    w.dashboard.setFilter(LibraryFilter::everything());
    EXPECT_EQ(w.dashboard.detail(), nullptr);
    w.f.settle();
    EXPECT_EQ(w.stored().note, "Rewritten just before leaving");
}

TEST(DetailPaneDesktop, ACommentPostedWithReturnIsListedAndStored) {
    OpenPane w;
    QLineEdit* field = w.pane().comments()->field();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("Fixed on main, please check"));
    QTest::keyClick(field, Qt::Key_Return);
    w.f.settle();
    EXPECT_TRUE(field->text().isEmpty());
    w.f.settle();
    ASSERT_EQ(w.pane().comments()->cards().size(), 4u);
    EXPECT_EQ(w.pane().comments()->cards().back()->comment().body, "Fixed on main, please check");
    const std::vector<Comment> stored = w.f.store().comments(w.capture.id);
    ASSERT_EQ(stored.size(), 4u);
    EXPECT_EQ(stored.back().body, "Fixed on main, please check");
    EXPECT_EQ(stored.back().author, "you");
}

TEST(DetailPaneDesktop, AnAgentsCommentAndNoteAppearWhileOpenAndTheNoteSurvivesClosing) {
    OpenPane w;
    CommentSection& comments = *w.pane().comments();
    QElapsedTimer asked;
    asked.start();
    askAgentServer("comment_on_capture",
                   {{"id", w.capture.id}, {"body", "Looking into it now."}, {"agent", "claude"}});
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return comments.cards().size() == 4u; }, agentChangeShownWithinMs));
    EXPECT_LT(asked.elapsed(), agentChangeShownWithinMs);
    EXPECT_EQ(comments.cards().back()->comment().body, "Looking into it now.");
    EXPECT_TRUE(comments.cards().back()->comment().isAgent);

    askAgentServer("update_capture", {{"id", w.capture.id},
                                      {"note", "Checkout total overlaps the button"},
                                      {"agent", "claude"}});
    QPlainTextEdit* editor = w.pane().note()->editor();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return editor->toPlainText() == QStringLiteral("Checkout total overlaps the button");
        },
        agentChangeShownWithinMs));
    // The pane goes back to the board without the user having typed: the agent's note stays.
    w.dashboard.setFilter(LibraryFilter::everything());
    w.f.settle();
    EXPECT_EQ(w.stored().note, "Checkout total overlaps the button");
}
