#include "FlowFakes.h"
#include "LibraryFixture.h"
#include "RecordingActions.h"

#include "capture/CaptureController.h"
#include "desktop/PermissionsService.h"
#include "model/Paths.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QSignalSpy>
#include <QTest>

#include "TempLibrary.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;
using namespace tavro;
using namespace tavro::test;

namespace {

// Everything one capture flow needs, around a real library.
struct FlowWorld {
    FlowWorld()
        : settingsFolder()
        , legacy(QString::fromStdString((settingsFolder.path() / "legacy.ini").string()),
                 QSettings::IniFormat)
        , preferences(std::make_unique<QSettings>(
                          QString::fromStdString((settingsFolder.path() / "tavro.ini").string()),
                          QSettings::IniFormat),
                      legacy)
        , permissions(probe)
        , flow(*f.library, preferences, permissions, actions,
               {overlay, compose, editor, grabber, context, desktop, timer}) {
        preferences.setFlag(PreferenceKey::playCaptureSound, false);
        desktop.timer = &timer;
        flow.onNeedsScreenRecording = [this] {
            ++needsScreenRecording;
        };
    }

    // A region capture from the request to the open note box.
    void captureRegion(QRectF rect = QRectF(100, 100, 300, 200)) {
        ASSERT_TRUE(flow.request(FlowRequest::region()));
        timer.runAll(); // the overlay waits while windows just hidden leave the screen
        overlay.finish(rect);
        timer.runAll();
        ASSERT_TRUE(compose.open);
        settleFiles();
    }

    // A region large enough that its file is still being written when the note box opens.
    void captureLargeRegion() {
        ASSERT_TRUE(flow.request(FlowRequest::region()));
        timer.runAll();
        overlay.finish(QRectF(0, 0, 5120, 2880));
        timer.runAll();
        ASSERT_TRUE(compose.open);
        ASSERT_TRUE(flow.files().busy());
    }

    // The screenshots' files are written in the background; their answers have come back.
    void settleFiles() {
        ASSERT_TRUE(QTest::qWaitFor([&] { return !flow.files().busy(); }));
    }

    LibraryFixture f;
    TempFolder settingsFolder;
    QSettings legacy;
    Preferences preferences;
    FakeProbe probe;
    PermissionsService permissions;
    test::RecordingActions actions;
    FakeOverlay overlay;
    FakeCompose compose;
    FakeEditor editor;
    FakeGrabber grabber;
    FakeContext context;
    FakeDesktop desktop;
    ManualTimer timer;
    CaptureController flow;
    int needsScreenRecording = 0;
};

class FlowTest : public ::testing::Test, public FlowWorld {};

} // namespace

TEST(FlowGuardsTest, RefuseANewFlowAndSaySoOnlyForScreenRecording) {
    struct Case {
        const char* name;
        std::function<void(FlowWorld&)> arrange;
        FlowRequest request;
        bool starts;
        int askedForScreenRecording;
    };
    const std::vector<Case> cases{
        {"idle", [](FlowWorld&) {}, FlowRequest::region(), true, 0},
        {"busy", [](FlowWorld& w) { w.flow.request(FlowRequest::region()); },
         FlowRequest::addScreenshotTo("c1"), false, 0},
        {"note box open", [](FlowWorld& w) { w.compose.open = true; }, FlowRequest::region(), false,
         0},
        {"note box open, stored capture", [](FlowWorld& w) { w.compose.open = true; },
         FlowRequest::addScreenshotTo("c1"), true, 0},
        {"editor open", [](FlowWorld& w) { w.editor.open = true; },
         FlowRequest::addScreenshotTo("c1"), false, 0},
        {"no screen recording", [](FlowWorld& w) { w.probe.screenRecording = false; },
         FlowRequest::region(), false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FlowWorld w;
        c.arrange(w);
        const int before = w.overlay.presentations;
        EXPECT_EQ(w.flow.request(c.request), c.starts);
        EXPECT_EQ(w.overlay.presentations - before, c.starts ? 1 : 0);
        EXPECT_EQ(w.needsScreenRecording, c.askedForScreenRecording);
    }
}

TEST_F(FlowTest, ARegionBecomesOnePendingScreenshotAndThenOneStoredCapture) {
    preferences.setFlag(PreferenceKey::playCaptureSound, true);
    ASSERT_TRUE(flow.request(FlowRequest::region()));
    EXPECT_TRUE(flow.isCapturing());
    overlay.finish(QRectF(100, 100, 300, 200));
    EXPECT_EQ(timer.nextDelay(), CaptureController::regionDelayMs);
    timer.runAll();
    EXPECT_FALSE(flow.isCapturing());
    ASSERT_TRUE(compose.open);
    ASSERT_EQ(compose.shown.images.size(), 1u);
    EXPECT_EQ(compose.shown.context.appName, "Editor 1");
    EXPECT_EQ(compose.shown.context.displayName, "screen-1");
    EXPECT_EQ(compose.shown.context.displayScale, 2);
    EXPECT_EQ(desktop.sounds, 1);
    settleFiles();
    EXPECT_EQ(filesUnder(TavroPaths::capturesRoot()), 1u);

    compose.save("Button misaligned", {"ui"});
    f.settle();
    timer.runAll();
    f.settle();
    ASSERT_EQ(f.library->captures().size(), 1u);
    const Capture stored = f.library->captures()[0].whole();
    EXPECT_EQ(stored.id, compose.shown.id);
    EXPECT_EQ(stored.captureMode, CaptureMode::region);
    EXPECT_EQ(stored.imageWidth, 300);
    EXPECT_EQ(stored.imagePath, compose.shown.images[0].written.relativePath);
    EXPECT_EQ(f.library->tagsByCapture().at(stored.id), std::vector<std::string>{"ui"});
    EXPECT_FALSE(flow.flowActive());
    ASSERT_EQ(desktop.activations.size(), 2u); // at the end, and once the windows are back
    EXPECT_EQ(desktop.activations[0], *desktop.front);
}

TEST_F(FlowTest, ASecondRegionPressBeforeADragFilesANoteWithTheFirstContext) {
    ASSERT_TRUE(flow.request(FlowRequest::region()));
    flow.request(FlowRequest::region()); // again, before a drag
    EXPECT_FALSE(overlay.showing);
    EXPECT_FALSE(flow.isCapturing());
    ASSERT_TRUE(compose.open);
    EXPECT_EQ(compose.shown.mode, CaptureMode::text);
    EXPECT_TRUE(compose.shown.images.empty());
    EXPECT_EQ(compose.shown.context.appName, "Editor 1");
    EXPECT_EQ(context.snapshots, 1);
}

TEST_F(FlowTest, ASecondPressWhileAddingToTheNoteBoxBringsItBackWithItsDraft) {
    captureRegion();
    ComposeDraft draft;
    draft.note = "half written";
    compose.addScreenshot(draft);
    EXPECT_TRUE(overlay.showing);
    flow.request(FlowRequest::region()); // again, before a drag
    ASSERT_TRUE(compose.open);
    EXPECT_EQ(compose.shown.draft.note, "half written");
    EXPECT_EQ(compose.shown.images.size(), 1u);
}

TEST_F(FlowTest, AnotherScreenshotFreezesTheScreenOnlyOnceTheClosedNoteBoxHasGone) {
    captureRegion();
    // The real box is a frameless window that hides itself before it calls back.
    QWidget box(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    box.setWindowTitle(QStringLiteral("Tavro Note"));
    box.show();
    box.hide();
    const int frozen = overlay.freezes;
    const int shown = overlay.presentations;
    desktop.waitedFor.clear();
    compose.addScreenshot(ComposeDraft{});
    // Input is taken at once; the frame waits for the box to be gone from the screen.
    EXPECT_EQ(overlay.presentations, shown + 1);
    EXPECT_EQ(overlay.freezes, frozen);
    ASSERT_EQ(desktop.waitedFor.size(), 1u);
    EXPECT_EQ(desktop.waitedFor[0], std::vector<std::uint32_t>{std::uint32_t(box.winId())});
    EXPECT_EQ(timer.nextDelay(), CaptureController::screenSettleMs);
    timer.runAll();
    EXPECT_EQ(overlay.freezes, frozen + 1);

    // A wait that ends after its presentation was cancelled and another begun freezes nothing.
    overlay.finish(std::nullopt);
    ASSERT_TRUE(compose.open);
    compose.addScreenshot(ComposeDraft{});
    overlay.finish(std::nullopt);
    compose.addScreenshot(ComposeDraft{});
    ASSERT_EQ(timer.queue.size(), 2u);
    timer.queue.front().action();
    timer.queue.pop_front();
    EXPECT_EQ(overlay.freezes, frozen + 1);
    timer.runAll();
    EXPECT_EQ(overlay.freezes, frozen + 2);
}

TEST_F(FlowTest, TwoFullScreenPressesInTheWindowWriteNothingAndOpenANote) {
    ASSERT_TRUE(flow.request(FlowRequest::fullScreen(true)));
    timer.queue.front().action(); // the grab
    timer.queue.pop_front();
    EXPECT_EQ(flow.state(), FlowState::awaitingSecondPress);
    EXPECT_TRUE(flow.request(FlowRequest::fullScreen(true))); // the second press
    EXPECT_EQ(flow.state(), FlowState::secondPressHeard);
    timer.runAll();
    EXPECT_EQ(flow.state(), FlowState::composing);
    ASSERT_TRUE(compose.open);
    EXPECT_EQ(compose.shown.mode, CaptureMode::text);
    EXPECT_EQ(filesUnder(TavroPaths::capturesRoot()), 0u);
    EXPECT_FALSE(flow.isCapturing());
}

TEST_F(FlowTest, AddingToAStoredCaptureKeepsTheOpenNoteBoxsFlow) {
    const Capture stored = LibraryFixture::makeCapture("on the board");
    ASSERT_TRUE(test::awaitWrite(f.library->add(stored, {}, {})));
    captureRegion();
    const PendingCapture pending = *flow.pending();

    ASSERT_TRUE(flow.request(FlowRequest::addScreenshotTo(stored.id)));
    overlay.finish(QRectF(0, 0, 50, 40));
    timer.runAll();
    f.settle();
    EXPECT_EQ(f.store().images(stored.id).size(), 1u);
    EXPECT_TRUE(flow.flowActive());
    EXPECT_EQ(flow.pending(), pending);
    EXPECT_TRUE(desktop.activations.empty());

    compose.save("the new one");
    f.settle();
    EXPECT_TRUE(f.store().capture(pending.id));
    EXPECT_EQ(f.store().images(pending.id).size(), 1u);
}

TEST_F(FlowTest, AFailedExtraScreenshotBringsTheNoteBoxBackUnchanged) {
    captureRegion();
    const PendingCapture pending = *flow.pending();
    compose.addScreenshot(pending.draft);
    grabber.nullImage = true;
    overlay.finish(QRectF(0, 0, 50, 40));
    timer.runAll();
    ASSERT_EQ(desktop.captureFailures.size(), 1u);
    EXPECT_EQ(desktop.captureFailures[0], "Couldn't save the screenshot: PNG encoding failed");
    ASSERT_TRUE(compose.open);
    EXPECT_EQ(compose.shown, pending);
    EXPECT_TRUE(flow.flowActive());
    EXPECT_FALSE(flow.isCapturing());
}

TEST_F(FlowTest, AnEditorThatEndsWithoutSavingBringsTheNoteBoxBack) {
    captureRegion();
    ComposeDraft draft;
    draft.note = "typed before marking up";
    compose.annotate(0, draft);
    ASSERT_TRUE(editor.open);
    EXPECT_EQ(editor.shown.imagePath, compose.shown.images[0].written.relativePath);
    editor.cancel();
    ASSERT_TRUE(compose.open);
    EXPECT_EQ(compose.shown.draft.note, "typed before marking up");
}

TEST_F(FlowTest, ARefusedExtraScreenshotBringsTheNoteBoxBack) {
    captureRegion();
    probe.screenRecording = false;
    ComposeDraft draft;
    draft.note = "keep me";
    compose.addScreenshot(draft);
    EXPECT_EQ(needsScreenRecording, 1);
    EXPECT_FALSE(overlay.showing);
    ASSERT_TRUE(compose.open);
    EXPECT_EQ(compose.shown.draft.note, "keep me");
}

TEST_F(FlowTest, AFailedSaveKeepsTheFilesAndTheNoteBox) {
    captureRegion();
    Capture clash = LibraryFixture::makeCapture("already there");
    clash.id = flow.pending()->id;
    f.store().insert(clash);

    compose.save("my note", {"ui"});
    f.settle();
    ASSERT_EQ(desktop.saveFailures.size(), 1u);
    EXPECT_FALSE(desktop.saveFailures[0].empty());
    ASSERT_TRUE(compose.open);
    EXPECT_EQ(compose.shown.draft.note, "my note");
    EXPECT_EQ(compose.shown.draft.tagText, "ui");
    // Saved with no group: the box comes back with no group, not the default one.
    EXPECT_EQ(compose.shown.draft.groupID, std::nullopt);
    EXPECT_TRUE(compose.shown.draft.groupChosen);
    EXPECT_EQ(filesUnder(TavroPaths::capturesRoot()), 1u);
    EXPECT_TRUE(flow.flowActive());
}

TEST_F(FlowTest, DiscardRemovesEveryFileItWrote) {
    captureRegion();
    compose.addScreenshot({});
    overlay.finish(QRectF(0, 0, 60, 40));
    timer.runAll();
    ASSERT_EQ(compose.shown.images.size(), 2u);
    settleFiles();
    EXPECT_EQ(filesUnder(TavroPaths::capturesRoot()), 2u);
    EXPECT_EQ(filesUnder(TavroPaths::thumbsRoot()), 2u);
    compose.discard();
    EXPECT_EQ(filesUnder(TavroPaths::capturesRoot()), 0u);
    EXPECT_EQ(filesUnder(TavroPaths::thumbsRoot()), 0u);
    EXPECT_FALSE(flow.flowActive());
    EXPECT_TRUE(f.library->captures().empty());
}

// The app starts on a note asked for from the command line before its board is read: the note
// box waits for the first board, whose groups it offers.
TEST(FlowStartTest, ANoteAskedForAtStartUpOpensWithTheBoardsGroups) {
    FlowWorld w;
    CaptureGroup group;
    group.id = "g1";
    group.name = "Checkout";
    group.colorHex = "#6E7BF2";
    w.f.store().upsertGroup(group);
    Library starting(TavroPaths::databasePath(), w.f.thumbnails,
                     std::make_unique<StoreChangeListener>());
    CaptureController flow(
        starting, w.preferences, w.permissions, w.actions,
        {w.overlay, w.compose, w.editor, w.grabber, w.context, w.desktop, w.timer});
    ASSERT_FALSE(starting.firstReadEnded());
    ASSERT_TRUE(flow.request(FlowRequest::note()));
    EXPECT_FALSE(w.compose.open);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.compose.open; }, 10000));
    EXPECT_EQ(w.compose.presentations, 1);
    ASSERT_EQ(w.compose.groups.size(), 1u);
    EXPECT_EQ(w.compose.groups[0].name, "Checkout");
    EXPECT_EQ(w.compose.shown.mode, CaptureMode::text);
}

TEST_F(FlowTest, AScreenshotGivesANoteOnlyCaptureItsModeAndDisplay) {
    ASSERT_TRUE(flow.request(FlowRequest::note()));
    compose.addScreenshot({});
    overlay.requestFullScreen(QPointF(5, 5));
    timer.runAll();
    ASSERT_TRUE(compose.open);
    EXPECT_EQ(compose.shown.mode, CaptureMode::fullscreen);
    EXPECT_EQ(compose.shown.context.displayName, "screen-1");
    EXPECT_EQ(compose.shown.context.appName, "Editor 1");
}

TEST_F(FlowTest, SavingWithTheDashboardPreferenceGivesNoFocusBackAndShowsTheBoard) {
    preferences.setFlag(PreferenceKey::openDashboardAfterSave, true);
    QWidget settings;
    settings.setWindowTitle(QStringLiteral("Tavro Settings"));
    settings.show();
    captureRegion();
    EXPECT_FALSE(settings.isVisible());
    compose.save("note");
    f.settle();
    timer.runAll();
    EXPECT_TRUE(desktop.activations.empty());
    // What was hidden for the capture is back, not left hidden behind the board.
    EXPECT_TRUE(settings.isVisible());
    EXPECT_FALSE(flow.flowActive());
    ASSERT_TRUE(actions.waitForCalls(1));
    ASSERT_EQ(actions.calls.size(), 1u);
    EXPECT_EQ(actions.names(), std::vector<std::string>{"dashboard"});
}

TEST_F(FlowTest, StartingWhileTavroIsInFrontHidesItsWindowsAndActivatesNothing) {
    desktop.front = ForegroundWindow{7, QCoreApplication::applicationPid()};
    QWidget window;
    window.setWindowTitle(QStringLiteral("Tavro"));
    window.show();
    captureRegion();
    // The screenshot is of what lies behind the app's own window, as with any other.
    EXPECT_FALSE(window.isVisible());
    compose.discard();
    timer.runAll();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(desktop.activations.empty());

    desktop.front = ForegroundWindow{9, 99};
    const int shown = overlay.presentations;
    const int frozen = overlay.freezes;
    desktop.waitedFor.clear();
    ASSERT_TRUE(flow.request(FlowRequest::region()));
    EXPECT_FALSE(window.isVisible());
    // The overlay takes input at once, but freezes the screen only once the hidden board is gone.
    EXPECT_EQ(overlay.presentations, shown + 1);
    EXPECT_EQ(overlay.freezes, frozen);
    ASSERT_EQ(desktop.waitedFor.size(), 1u);
    EXPECT_EQ(desktop.waitedFor[0], std::vector<std::uint32_t>{std::uint32_t(window.winId())});
    EXPECT_EQ(timer.nextDelay(), CaptureController::screenSettleMs);
    timer.runAll();
    EXPECT_EQ(overlay.freezes, frozen + 1);
    overlay.finish(QRectF(100, 100, 300, 200));
    timer.runAll();
    ASSERT_TRUE(compose.open);
    compose.discard();
    EXPECT_FALSE(window.isVisible()); // back only after the short delay
    timer.runAll();
    EXPECT_TRUE(window.isVisible());
}

TEST_F(FlowTest, MarksThatCannotBeWrittenKeepTheEditorOpenWithTheReason) {
    captureRegion();
    // With its files written, which the note box opened before.
    const PendingImage shot = flow.pending()->images.at(0);
    const Annotation box{
        {{"b", AnnotationTool::rectangle, "#FF3B30", 0.01, {{0.1, 0.1}, {0.6, 0.7}}}}};
    compose.annotate(0, {});
    ASSERT_TRUE(editor.open);
    const int presentations = compose.presentations;
    // The original went from under the editor: nothing can be drawn on it.
    std::filesystem::remove(TavroPaths::capturesRoot() / shot.written.relativePath);
    editor.save(box);
    settleFiles(); // the marks are drawn in the background
    EXPECT_TRUE(editor.open);
    EXPECT_FALSE(editor.failure.empty());
    EXPECT_FALSE(compose.open);
    EXPECT_EQ(compose.presentations, presentations);
    EXPECT_EQ(flow.state(), FlowState::annotating);
    EXPECT_EQ(flow.pending()->images.at(0), shot);
}

TEST_F(FlowTest, MarksOnAPendingScreenshotAreDrawnAndClearingThemBringsTheOriginalBack) {
    captureRegion();
    const PendingImage before = flow.pending()->images.at(0);
    const auto captures = TavroPaths::capturesRoot();
    const Annotation box{
        {{"b", AnnotationTool::rectangle, "#FF3B30", 0.01, {{0.1, 0.1}, {0.6, 0.7}}}}};

    compose.annotate(0, {});
    ASSERT_TRUE(editor.open);
    editor.open = false;
    editor.save(box);
    ASSERT_TRUE(QTest::qWaitFor([&] { return compose.open; }));
    const PendingImage marked = compose.shown.images.at(0);
    EXPECT_EQ(marked.annotation, box);
    ASSERT_TRUE(marked.annotatedPath);
    EXPECT_TRUE(std::filesystem::exists(captures / *marked.annotatedPath));
    EXPECT_EQ(marked.written.byteCount,
              std::int64_t(std::filesystem::file_size(captures / *marked.annotatedPath)));
    ASSERT_TRUE(marked.written.thumbRelativePath);
    const QImage markedThumb(
        toQString((TavroPaths::thumbsRoot() / *marked.written.thumbRelativePath).string()));
    const QColor mark =
        markedThumb.pixelColor(markedThumb.width() / 10 + 1, markedThumb.height() / 10 + 1);

    compose.annotate(0, {});
    editor.open = false;
    editor.save(Annotation{});
    ASSERT_TRUE(QTest::qWaitFor([&] { return compose.open; }));
    const PendingImage cleared = compose.shown.images.at(0);
    EXPECT_TRUE(cleared.annotation.isEmpty());
    EXPECT_EQ(cleared.annotatedPath, std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(captures / *marked.annotatedPath));
    EXPECT_EQ(cleared.written.byteCount, before.written.byteCount);
    // The thumbnail shows the unmarked screenshot again.
    ASSERT_TRUE(cleared.written.thumbRelativePath);
    const QImage thumb(
        toQString((TavroPaths::thumbsRoot() / *cleared.written.thumbRelativePath).string()));
    const QImage original(toQString((captures / before.written.relativePath).string()));
    ASSERT_FALSE(thumb.isNull());
    const QColor shown = thumb.pixelColor(thumb.width() / 10 + 1, thumb.height() / 10 + 1);
    const QColor unmarked =
        original.pixelColor(original.width() / 10 + 1, original.height() / 10 + 1);
    EXPECT_LE(std::abs(shown.red() - unmarked.red()) + std::abs(shown.green() - unmarked.green()) +
                  std::abs(shown.blue() - unmarked.blue()),
              12); // JPEG is lossy
    EXPECT_GT(std::abs(mark.red() - unmarked.red()) + std::abs(mark.green() - unmarked.green()) +
                  std::abs(mark.blue() - unmarked.blue()),
              100);
}

TEST(FlowFocusTest, CancellingTheOverlayGivesTheKeyboardBackToTheWindowThatHadIt) {
    const auto own = std::int64_t(QCoreApplication::applicationPid());
    struct Case {
        const char* name;
        std::function<void(FlowWorld&)> begin;
        std::vector<ForegroundWindow> focusReturns;
        std::vector<ForegroundWindow> activations;
        // Done once the overlay is cancelled, before the delayed second try runs.
        std::function<void(FlowWorld&)> then = nullptr;
    };
    const std::vector<Case> cases{
        {"a window of this app in front",
         [own](FlowWorld& w) {
             w.desktop.front = ForegroundWindow{7, own};
             ASSERT_TRUE(w.flow.request(FlowRequest::region()));
         },
         {ForegroundWindow{7, own}},
         {}},
        {"another app in front",
         [](FlowWorld& w) {
             w.desktop.front = ForegroundWindow{9, 99};
             ASSERT_TRUE(w.flow.request(FlowRequest::region()));
         },
         {},
         // Once at once, and again when the hidden windows are back.
         {ForegroundWindow{9, 99}, ForegroundWindow{9, 99}}},
        {"a screenshot for a stored capture asked for from the board, the note box open",
         [own](FlowWorld& w) {
             w.desktop.front = ForegroundWindow{7, own};
             w.captureRegion();
             w.desktop.front = ForegroundWindow{11, own};
             ASSERT_TRUE(w.flow.request(FlowRequest::addScreenshotTo("c1")));
         },
         {ForegroundWindow{11, own}},
         {}},
        {"another app in front, and a new flow begun before the second try",
         [](FlowWorld& w) {
             w.desktop.front = ForegroundWindow{9, 99};
             ASSERT_TRUE(w.flow.request(FlowRequest::region()));
         },
         {},
         // The second try would take the focus from the new flow's overlay or note box.
         {ForegroundWindow{9, 99}},
         [](FlowWorld& w) {
             ASSERT_TRUE(w.flow.request(FlowRequest::region()));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FlowWorld w;
        c.begin(w);
        w.timer.runAll();
        ASSERT_TRUE(w.overlay.showing);
        w.overlay.finish(std::nullopt); // Escape, or a click without a drag
        if (c.then)
            c.then(w);
        w.timer.runAll();
        EXPECT_EQ(w.desktop.focusReturns, c.focusReturns);
        EXPECT_EQ(w.desktop.activations, c.activations);
    }
}

TEST_F(FlowTest, AScreenshotThatCannotJoinItsStoredCaptureIsReportedAndLeavesNoFiles) {
    ASSERT_TRUE(flow.request(FlowRequest::addScreenshotTo("no-such-capture")));
    timer.runAll();
    overlay.finish(QRectF(0, 0, 60, 40));
    timer.runAll();
    f.settle();
    ASSERT_EQ(desktop.captureFailures.size(), 1u);
    EXPECT_FALSE(desktop.captureFailures[0].empty());
    EXPECT_EQ(flow.state(), FlowState::idle);
    EXPECT_EQ(filesUnder(TavroPaths::capturesRoot()), 0u);
    EXPECT_EQ(filesUnder(TavroPaths::thumbsRoot()), 0u);
}

TEST(FlowFilesTest, TheNoteBoxOpensBeforeItsFilesAreWrittenAndTheFlowWaitsForThemOrRemovesThem) {
    struct Case {
        const char* name;
        std::function<void(FlowWorld&)> act;
        bool stored;
    };
    const std::vector<Case> cases{
        {"discarded while writing", [](FlowWorld& w) { w.compose.discard(); }, false},
        {"saved while writing", [](FlowWorld& w) { w.compose.save("at once"); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FlowWorld w;
        w.captureLargeRegion();
        c.act(w);
        w.flow.files().waitForJobs();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.flow.files().busy(); }));
        w.f.settle();
        if (!c.stored) {
            EXPECT_EQ(filesUnder(TavroPaths::capturesRoot()), 0u);
            EXPECT_EQ(filesUnder(TavroPaths::thumbsRoot()), 0u);
            EXPECT_TRUE(w.f.library->captures().empty());
            continue;
        }
        ASSERT_EQ(w.f.library->captures().size(), 1u);
        const auto rows = w.f.store().images(w.f.library->captures()[0].id);
        ASSERT_EQ(rows.size(), 1u);
        ASSERT_TRUE(rows[0].thumbPath);
        EXPECT_TRUE(fs::exists(TavroPaths::thumbsRoot() / *rows[0].thumbPath));
        EXPECT_EQ(rows[0].bytes,
                  std::int64_t(fs::file_size(TavroPaths::capturesRoot() / rows[0].imagePath)));
        EXPECT_FALSE(w.flow.flowActive());
    }
}

TEST(FlowFilesTest, AFrozenOverlayIsCroppedAtOnceAndALiveOneIsGrabbedAfterTheWait) {
    for (const bool frozen : {true, false}) {
        SCOPED_TRACE(frozen ? "frozen" : "live");
        FlowWorld w;
        if (frozen) {
            ScreenShot screen;
            screen.image = QImage(800, 600, QImage::Format_RGB32);
            screen.image.fill(Qt::darkBlue);
            screen.displayName = "frozen-screen";
            screen.scale = 1;
            w.overlay.frozen = screen;
        }
        ASSERT_TRUE(w.flow.request(FlowRequest::region()));
        w.timer.runAll();
        w.overlay.finish(QRectF(10, 20, 300, 200));
        EXPECT_EQ(w.compose.open, frozen);
        EXPECT_EQ(w.timer.nextDelay(),
                  frozen ? std::nullopt : std::optional<int>(CaptureController::regionDelayMs));
        w.timer.runAll();
        ASSERT_TRUE(w.compose.open);
        EXPECT_EQ(w.grabber.regions.size(), frozen ? 0u : 1u);
        ASSERT_EQ(w.compose.shown.images.size(), 1u);
        EXPECT_EQ(w.compose.shown.images[0].image.size(), QSize(300, 200));
        EXPECT_EQ(w.compose.shown.context.displayName, frozen ? "frozen-screen" : "screen-1");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !w.flow.files().busy(); }));
    }
}

// The app ends while a capture is under way: what the note box holds, or held when it closed for
// another screenshot or the mark-up, is stored as saving would store it, its files written first;
// a note-only box with nothing typed stores nothing, and a save already on its way is not doubled.
TEST(FlowEndTest, TheCaptureUnderWayIsStoredAsTypedWhenTheAppEnds) {
    struct Case {
        const char* name;
        std::function<void(FlowWorld&)> act;
        std::optional<std::string> note; // none: nothing stored
        std::vector<std::string> tags;
        std::size_t screenshots;
    };
    ComposeDraft typed;
    typed.note = "  Total overlaps the button  ";
    typed.priority = CapturePriority::high;
    typed.tagText = "UI, checkout";
    const std::vector<Case> cases{
        {"box open",
         [&](FlowWorld& w) {
             w.captureRegion();
             w.compose.typed = typed;
         },
         "Total overlaps the button",
         {"checkout", "ui"},
         1},
        {"box open while its file is written",
         [&](FlowWorld& w) {
             w.captureLargeRegion();
             w.compose.typed = typed;
         },
         "Total overlaps the button",
         {"checkout", "ui"},
         1},
        {"saved while its file is written",
         [](FlowWorld& w) {
             w.captureLargeRegion();
             w.compose.save("saved as it ended", {"late"});
         },
         "saved as it ended",
         {"late"},
         1},
        {"selecting another screenshot",
         [&](FlowWorld& w) {
             w.captureRegion();
             w.compose.addScreenshot(typed);
         },
         "Total overlaps the button",
         {"checkout", "ui"},
         1},
        {"in the mark-up editor",
         [&](FlowWorld& w) {
             w.captureRegion();
             w.compose.annotate(0, typed);
             ASSERT_TRUE(QTest::qWaitFor([&] { return w.editor.open; }));
         },
         "Total overlaps the button",
         {"checkout", "ui"},
         1},
        {"note only, typed",
         [](FlowWorld& w) {
             ASSERT_TRUE(w.flow.request(FlowRequest::note()));
             w.compose.typed.note = "Crash on start";
         },
         "Crash on start",
         {},
         0},
        {"note only, nothing typed",
         [](FlowWorld& w) {
             ASSERT_TRUE(w.flow.request(FlowRequest::note()));
             w.compose.typed.note = " \n ";
         },
         std::nullopt,
         {},
         0},
        {"a save on its way",
         [](FlowWorld& w) {
             w.captureRegion();
             w.compose.save("once", {});
         },
         "once",
         {},
         1},
        {"no capture", [](FlowWorld&) {}, std::nullopt, {}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FlowWorld w;
        c.act(w);
        w.flow.keepForEnd();
        w.flow.keepForEnd();
        // What keepForEnd asked for is queued on the writer: it lands without the GUI thread.
        w.f.settle();
        CaptureQuery everything;
        everything.limit = -1;
        const auto stored = w.f.store().captures(everything);
        if (!c.note) {
            EXPECT_TRUE(stored.empty());
            EXPECT_EQ(filesUnder(TavroPaths::capturesRoot()), 0u);
            continue;
        }
        ASSERT_EQ(stored.size(), 1u);
        EXPECT_EQ(stored[0].note, *c.note);
        EXPECT_EQ(w.f.store().tags(stored[0].id), c.tags);
        const auto rows = w.f.store().images(stored[0].id);
        ASSERT_EQ(rows.size(), c.screenshots);
        for (const CaptureImage& row : rows) {
            EXPECT_TRUE(fs::exists(TavroPaths::capturesRoot() / row.imagePath));
            EXPECT_EQ(row.bytes,
                      std::int64_t(fs::file_size(TavroPaths::capturesRoot() / row.imagePath)));
        }
        if (std::string(c.name) == "box open") {
            EXPECT_EQ(stored[0].priority, CapturePriority::high);
        }
    }
}
