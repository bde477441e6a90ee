// The real program on a real X server under a window manager, driven as a user would.
#include "DesktopSession.h"

#include "store/CaptureStore.h"

#include "TempLibrary.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace tavro;
using tavro::test::DesktopSession;
using tavro::test::filesUnder;

namespace {

// A running app with onboarding done, the xterm in front, and the overlay up.
struct RegionCapture {
    explicit RegionCapture(DesktopSession& session)
        : session(session) {
        session.completeOnboarding();
        app = &session.launchTavro();
        EXPECT_TRUE(session.waitForWindow("^Tavro$"));
        session.focusXterm();
        EXPECT_EQ(session.runTavro({"--capture-region"}), 0);
        // The overlay hides the board and takes the pointer.
        EXPECT_TRUE(
            DesktopSession::waitUntil([&] { return session.windowsNamed("^Tavro$").empty(); }, 5s));
        std::this_thread::sleep_for(400ms);
    }
    DesktopSession& session;
    test::BackgroundProcess* app = nullptr;
};

} // namespace

TEST(AppStartTest, AFreshProfileOpensOnboardingAndNotTheBoard) {
    DesktopSession session;
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Welcome to Tavro$"));
    std::this_thread::sleep_for(300ms);
    session.screenshot("fresh-profile");
    EXPECT_TRUE(session.windowsNamed("^Tavro$").empty());
    EXPECT_TRUE(fs::exists(session.database()));
}

TEST(AppStartTest, CompletedOnboardingOpensTheBoard) {
    DesktopSession session;
    session.completeOnboarding();
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    session.screenshot("board");
    EXPECT_TRUE(session.windowsNamed("^Welcome to Tavro$").empty());
}

TEST(AppStartTest, StartingAgainWithTheBoardClosedShowsTheBoard) {
    DesktopSession session;
    session.completeOnboarding();
    auto& app = session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    session.xdotool({"windowactivate", "--sync", session.windowsNamed("^Tavro$").front()});
    session.key("ctrl+w");
    ASSERT_TRUE(
        DesktopSession::waitUntil([&] { return session.windowsNamed("^Tavro$").empty(); }, 5s));
    // The tray icon stays on screen; it is the status item, not a window.
    EXPECT_EQ(session.runTavro({}), 0);
    EXPECT_TRUE(session.waitForWindow("^Tavro$", 10s));
    EXPECT_TRUE(app.running());
}

TEST(AppStartTest, TheBoardComesBackWhereItWasAfterQuitting) {
    DesktopSession session;
    session.completeOnboarding();
    auto& first = session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    std::string board = session.windowsNamed("^Tavro$").front();
    // Well away from the centred frame a new board gets.
    session.xdotool({"windowsize", "--sync", board, "640", "420"});
    session.xdotool({"windowmove", "--sync", board, "500", "300"});
    std::this_thread::sleep_for(300ms);
    const auto moved = session.windowFrame(board);
    ASSERT_TRUE(moved);
    session.xdotool({"windowactivate", "--sync", board});
    session.key("ctrl+q");
    ASSERT_EQ(first.waitForExit(5s), 0);

    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    std::this_thread::sleep_for(300ms);
    const auto restored = session.windowFrame(session.windowsNamed("^Tavro$").front());
    ASSERT_TRUE(restored);
    // The window manager may place a restored frame a pixel or two from where it was.
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR((*restored)[i], (*moved)[i], 2) << "frame value " << i;
}

TEST(AppStartTest, AnUnopenableLibraryShowsTheFatalAlertAndNothingElse) {
    DesktopSession session;
    const fs::path blocker = session.home() / "not-a-folder";
    std::ofstream(blocker) << "a file";
    auto& app = session.launchTavro({}, {"TAVRO_HOME=" + (blocker / "Library").string()});
    ASSERT_TRUE(session.waitForWindow("^Tavro can't open its library$"));
    session.screenshot("fatal-alert");
    EXPECT_TRUE(session.windowsNamed("^Tavro$").empty());
    EXPECT_TRUE(session.windowsNamed("^Welcome to Tavro$").empty());
    session.key("Return");
    EXPECT_EQ(app.waitForExit(5s), 1);
}

TEST(CaptureFlowTest, ARegionDragAndCtrlReturnStoresOneCaptureAndGivesTheFocusBack) {
    DesktopSession session;
    RegionCapture capture(session);
    session.xdotool({"mousemove", "250", "200"});
    std::this_thread::sleep_for(200ms);
    session.screenshot("overlay");
    session.drag(100, 100, 400, 300);
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$"));
    session.screenshot("note-box");
    session.type("Button misaligned");
    session.key("ctrl+Return");
    const auto found = session.waitForOneCapture(5s);
    ASSERT_TRUE(found);
    const Capture stored = *found;
    EXPECT_EQ(stored.note, "Button misaligned");
    EXPECT_EQ(stored.captureMode, CaptureMode::region);
    EXPECT_EQ(stored.imageWidth, 300);
    EXPECT_EQ(stored.imageHeight, 200);
    EXPECT_EQ(stored.windowTitle, "shell");
    EXPECT_TRUE(fs::exists(session.library() / "captures" / stored.imagePath));
    ASSERT_TRUE(stored.thumbPath);
    EXPECT_TRUE(fs::exists(session.library() / "thumbs" / *stored.thumbPath));
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] { return session.activeWindow() == session.xtermWindow(); }, 3s));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(session.activeWindow(), session.xtermWindow());
    session.screenshot("after-save");
}

TEST(CaptureFlowTest, AClickWithoutADragOrEscapeWritesNothing) {
    DesktopSession session;
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "click");
        RegionCapture capture(session);
        if (escape)
            session.key("Escape");
        else
            session.xdotool({"mousemove", "300", "300", "click", "1"});
        ASSERT_TRUE(session.waitForWindow("^Tavro$")); // the board comes back
        EXPECT_TRUE(session.windowsNamed("^Tavro Note$").empty());
        EXPECT_EQ(filesUnder(session.library() / "captures"), 0u);
        EXPECT_TRUE(session.storedCaptures().empty());
        capture.app->stop();
    }
}

TEST(CaptureFlowTest, EscapeInTheNoteBoxRemovesTheFilesItWrote) {
    DesktopSession session;
    RegionCapture capture(session);
    session.drag(100, 100, 400, 300);
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$"));
    EXPECT_EQ(filesUnder(session.library() / "captures"), 1u);
    EXPECT_EQ(filesUnder(session.library() / "thumbs"), 1u);
    session.key("Escape");
    // The screenshot and its thumbnail are removed one after the other: wait for both.
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] {
            return filesUnder(session.library() / "captures") == 0 &&
                   filesUnder(session.library() / "thumbs") == 0;
        },
        5s));
    EXPECT_TRUE(session.storedCaptures().empty());
}

TEST(CaptureFlowTest, ANewIssueWithoutAScreenshotStoresATextCapture) {
    DesktopSession session;
    session.completeOnboarding();
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    session.focusXterm();
    EXPECT_EQ(session.runTavro({"--new-issue"}), 0);
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$"));
    session.type("Crash on start");
    session.key("ctrl+Return");
    const auto found = session.waitForOneCapture(5s);
    ASSERT_TRUE(found);
    const Capture stored = *found;
    EXPECT_EQ(stored.captureMode, CaptureMode::text);
    EXPECT_EQ(stored.note, "Crash on start");
    EXPECT_EQ(stored.imagePath, "");
    EXPECT_EQ(filesUnder(session.library() / "captures"), 0u);
}
