// The real program on a real X server under a window manager, driven as a user would.
#include "DesktopSession.h"

#include "store/CaptureStore.h"

#include "ProcessRunner.h"
#include "SilentBus.h"
#include "TempLibrary.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
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
        EXPECT_TRUE(session.focusXtermOnceTheBoardIsUp());
        EXPECT_EQ(session.runTavro({"--capture-region"}), 0);
        // The overlay hides the board and takes the pointer.
        EXPECT_TRUE(
            DesktopSession::waitUntil([&] { return session.windowsNamed("^Tavro$").empty(); }, 5s));
        EXPECT_TRUE(session.waitForKeyboardGrab());
    }
    DesktopSession& session;
    test::BackgroundProcess* app = nullptr;
};

// xprop's answer about the window's properties.
std::string xprop(const DesktopSession& session, const std::string& window,
                  const std::vector<std::string>& properties) {
    std::vector<std::string> argv{"xprop", "-id", window};
    argv.insert(argv.end(), properties.begin(), properties.end());
    std::vector<std::string> command{"/usr/bin/env", "-i"};
    for (const std::string& entry : session.environment())
        command.push_back(entry);
    command.insert(command.end(), argv.begin(), argv.end());
    return test::ProcessRunner::run(command).out;
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The board window shows with the frame it had.
void expectBoardAt(const DesktopSession& session, const std::array<int, 4>& frame) {
    const auto near = [&](const std::optional<std::array<int, 4>>& shown) {
        for (size_t i = 0; shown && i < 4; ++i)
            if (std::abs((*shown)[i] - frame[i]) > 2)
                return false;
        return shown.has_value();
    };
    // The window manager maps the board first and puts the restored frame on it after.
    DesktopSession::waitUntil(
        [&] { return near(session.windowFrame(session.windowsNamed("^Tavro$").front())); }, 5s);
    const auto restored = session.windowFrame(session.windowsNamed("^Tavro$").front());
    ASSERT_TRUE(restored);
    // The window manager may place a restored frame a pixel or two from where it was.
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NEAR((*restored)[i], frame[i], 2) << "frame value " << i;
}

} // namespace

TEST(AppStartTest, AFreshProfileOpensOnboardingAndNotTheBoard) {
    DesktopSession session;
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Welcome to Tavro$"));
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
    EXPECT_TRUE(session.activate(session.windowsNamed("^Tavro$").front()));
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
    // Well away from the centred frame a new board gets, no smaller than the board allows.
    session.xdotool({"windowsize", "--sync", board, "1060", "680"});
    session.xdotool({"windowmove", "--sync", board, "40", "30"});
    ASSERT_TRUE(DesktopSession::waitUntil(
        [&] {
            const auto frame = session.windowFrame(board);
            return frame && (*frame)[2] == 1060 && (*frame)[3] == 680;
        },
        5s));
    const auto moved = session.windowFrame(board);
    ASSERT_TRUE(moved);
    EXPECT_TRUE(session.activate(board));
    session.key("ctrl+q");
    ASSERT_EQ(first.waitForExit(5s), 0);

    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    expectBoardAt(session, *moved);
}

// A session bus that takes connections and never answers holds up neither the board nor a
// capture asked for from the command line.
TEST(AppStartTest, ASessionBusThatNeverAnswersHoldsNothingUp) {
    test::MuteBus bus;
    DesktopSession session;
    session.completeOnboarding();
    const std::vector<std::string> env{"DBUS_SESSION_BUS_ADDRESS=" + bus.address()};
    const auto started = std::chrono::steady_clock::now();
    session.launchTavro({}, env);
    ASSERT_TRUE(session.waitForWindow("^Tavro$", 5s));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    session.focusXterm();
    EXPECT_EQ(session.runTavro({"--capture-region"}, env), 0);
    // The overlay hides the board to take the screenshot.
    EXPECT_TRUE(
        DesktopSession::waitUntil([&] { return session.windowsNamed("^Tavro$").empty(); }, 5s));
}

// A session that ends stops the app without a word: the frame it had was written already.
TEST(AppStartTest, TheBoardComesBackWhereItWasAfterTheAppIsStopped) {
    DesktopSession session;
    session.completeOnboarding();
    auto& first = session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    const std::string board = session.windowsNamed("^Tavro$").front();
    session.xdotool({"windowsize", "--sync", board, "1040", "650"});
    const fs::path settings = session.home() / ".config/tavro/Tavro.conf";
    const std::string before = readFile(settings);
    session.xdotool({"windowmove", "--sync", board, "90", "60"});
    // Stopped only once the moved frame is written.
    ASSERT_TRUE(DesktopSession::waitUntil(
        [&] {
            const std::string now = readFile(settings);
            return now != before && now.find("dev.tavro.dashboard") != std::string::npos;
        },
        5s));
    const auto moved = session.windowFrame(board);
    ASSERT_TRUE(moved);
    first.stop();

    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    expectBoardAt(session, *moved);
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

// The former product's library stays where it is when the new folder holds the user's files;
// the app says so in its log rather than start on an empty board without a word.
TEST(AppStartTest, ALegacyLibraryLeftInPlaceIsSaidInTheLog) {
    DesktopSession session;
    const fs::path data = session.home() / ".local/share";
    test::writeFile(data / "Koldar/koldar.sqlite", "");
    test::writeFile(data / "Tavro/notes.txt", "mine");
    session.launchTavro({}, {"TAVRO_HOME"});
    ASSERT_TRUE(session.waitForWindow("^Welcome to Tavro$"));
    EXPECT_NE(test::readFile(session.log("tavro"))
                  .find("The library of the former release at " + (data / "Koldar").string() +
                        " was not moved into " + (data / "Tavro").string() +
                        ", which already holds files of yours."),
              std::string::npos)
        << test::readFile(session.log("tavro"));
    EXPECT_TRUE(fs::exists(data / "Koldar/koldar.sqlite"));
    EXPECT_EQ(test::readFile(data / "Tavro/notes.txt"), "mine");
}

TEST(CaptureFlowTest, ARegionDragAndCtrlReturnStoresOneCaptureAndGivesTheFocusBack) {
    DesktopSession session;
    RegionCapture capture(session);
    session.xdotool({"mousemove", "250", "200"});
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
    // The flow ends by bringing the board back; the focus is given back once more after that.
    EXPECT_TRUE(session.waitForWindow("^Tavro$"));
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] { return session.activeWindow() == session.xtermWindow(); }, 5s));
    // The focus stays there: nothing of the app's takes it back once the board is back.
    EXPECT_TRUE(DesktopSession::holdsFor(
        [&] { return session.activeWindow() == session.xtermWindow(); }, 300ms));
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
    // The box shows the screenshot from memory while its files are written.
    DesktopSession::waitUntil(
        [&] {
            return filesUnder(session.library() / "captures") == 1u &&
                   filesUnder(session.library() / "thumbs") == 1u;
        },
        5s);
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
    ASSERT_TRUE(session.focusXtermOnceTheBoardIsUp());
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

TEST(AppStartTest, StartingAgainShowsRaisesAndActivatesAMinimisedOrCoveredBoard) {
    DesktopSession session;
    session.completeOnboarding();
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    const std::string board = session.windowsNamed("^Tavro$").front();

    ASSERT_TRUE(session.minimise(board));
    EXPECT_EQ(session.runTavro({}), 0);
    EXPECT_TRUE(session.waitForWindow("^Tavro$", 5s)) << "a minimised board is not a visible one";
    EXPECT_TRUE(DesktopSession::waitUntil([&] { return session.activeWindow() == board; }, 5s));

    session.focusXterm();
    ASSERT_EQ(session.activeWindow(), session.xtermWindow());
    EXPECT_EQ(session.runTavro({}), 0);
    EXPECT_TRUE(DesktopSession::waitUntil([&] { return session.activeWindow() == board; }, 5s))
        << "a covered board comes to the front";
    session.screenshot("reopen-covered-board");
}

TEST(AppStartTest, ReopeningAfterHideTavroBringsBackEveryWindowItHid) {
    DesktopSession session;
    session.completeOnboarding();
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    ASSERT_TRUE(session.openSettingsFromBoard());
    session.key("ctrl+h");
    ASSERT_TRUE(DesktopSession::waitUntil(
        [&] {
            return session.windowsNamed("^Tavro$").empty() &&
                   session.windowsNamed("^Tavro Settings$").empty();
        },
        5s));
    EXPECT_EQ(session.runTavro({}), 0);
    EXPECT_TRUE(session.waitForWindow("^Tavro$", 5s));
    EXPECT_TRUE(session.waitForWindow("^Tavro Settings$", 5s));
}

TEST(AppStartTest, SettingsAndOnboardingAreTitledAndClosableOnlyAtTheirContentSizes) {
    DesktopSession session;
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Welcome to Tavro$"));
    const std::string onboarding = session.windowsNamed("^Welcome to Tavro$").front();
    EXPECT_TRUE(session.activate(onboarding));
    session.key("ctrl+comma");
    ASSERT_TRUE(session.waitForWindow("^Tavro Settings$"));
    const std::string settings = session.windowsNamed("^Tavro Settings$").front();
    session.screenshot("settings-and-onboarding");

    for (const auto& [window, width] : {std::pair{onboarding, 620}, std::pair{settings, 560}}) {
        SCOPED_TRACE(window);
        // The Motif hints' functions: close (32), neither minimise (8) nor maximise (16).
        const std::string hints = xprop(session, window, {"_MOTIF_WM_HINTS"});
        unsigned flags = 0, functions = 0;
        ASSERT_EQ(std::sscanf(hints.c_str() + hints.find("= ") + 2, "%x, %x", &flags, &functions),
                  2)
            << hints;
        EXPECT_EQ(functions & (8u | 16u | 32u), 32u) << hints;
        const std::string sizes = xprop(session, window, {"WM_NORMAL_HINTS"});
        int minW = 0, minH = 0, maxW = 0, maxH = 0;
        const auto min = sizes.find("minimum size: ");
        const auto max = sizes.find("maximum size: ");
        ASSERT_NE(min, std::string::npos) << sizes;
        ASSERT_NE(max, std::string::npos) << sizes;
        std::sscanf(sizes.c_str() + min, "minimum size: %d by %d", &minW, &minH);
        std::sscanf(sizes.c_str() + max, "maximum size: %d by %d", &maxW, &maxH);
        EXPECT_EQ(minW, maxW);
        EXPECT_EQ(minH, maxH);
        // The content at its own size, below the menu bar.
        EXPECT_EQ(minW, width);
    }
}

TEST(CaptureFlowTest, AColdStartWithACaptureRequestRecordsTheWindowInFrontAndOpensNoWindow) {
    DesktopSession session;
    session.completeOnboarding();
    session.focusXterm();
    auto& app = session.launchTavro({"--capture-region"});
    // The overlay is the app's first window on screen.
    ASSERT_TRUE(DesktopSession::waitUntil(
        [&] {
            return !session.xdotool({"search", "--onlyvisible", "--pid", std::to_string(app.pid())})
                        .empty();
        },
        20s));
    ASSERT_TRUE(session.waitForKeyboardGrab());
    EXPECT_TRUE(session.windowsNamed("^Tavro$").empty());
    EXPECT_TRUE(session.windowsNamed("^Welcome to Tavro$").empty());
    session.drag(100, 100, 400, 300);
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$"));
    EXPECT_TRUE(session.windowsNamed("^Tavro$").empty());
    session.key("ctrl+Return");
    const auto found = session.waitForOneCapture(5s);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->windowTitle, "shell");
    EXPECT_NE(found->appName, "Tavro");
    EXPECT_NE(found->appName, "tavro");
}

TEST(CaptureFlowTest, CancellingTheOverlayOverTheBoardGivesItTheKeyboardBack) {
    DesktopSession session;
    session.completeOnboarding();
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "Escape" : "click");
        ASSERT_TRUE(session.waitForWindow("^Tavro$"));
        const std::string board = session.windowsNamed("^Tavro$").front();
        EXPECT_TRUE(session.activate(board));
        EXPECT_EQ(session.runTavro({"--capture-region"}), 0);
        ASSERT_TRUE(session.waitForKeyboardGrab());
        if (escape)
            session.key("Escape");
        else
            session.xdotool({"mousemove", "300", "300", "click", "1"});
        session.waitForFocus(board);
        EXPECT_EQ(session.xdotool({"getwindowfocus"}).substr(0, board.size()), board);
        // Ctrl+W closes the board at once, without a click first.
        session.key("ctrl+w");
        EXPECT_TRUE(
            DesktopSession::waitUntil([&] { return session.windowsNamed("^Tavro$").empty(); }, 3s));
        EXPECT_EQ(session.runTavro({}), 0);
    }
}

TEST(CaptureFlowTest, ALatin1TitledXtermIsStoredInUTF8AndTheShutterWritesNothingToStderr) {
    DesktopSession session;
    session.completeOnboarding();
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    // xterm names its window in WM_NAME only, as Latin-1.
    test::BackgroundProcess xterm({"xterm", "-geometry", "60x10+300+300", "-title", "Café Münster"},
                                  session.environment(), session.log("xterm-cafe"));
    ASSERT_TRUE(session.waitForWindow("nster$"));
    EXPECT_TRUE(session.activate(session.windowsNamed("nster$").front()));
    EXPECT_EQ(session.runTavro({"--capture-fullscreen"}), 0);
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$", 5s));
    session.key("ctrl+Return");
    const auto found = session.waitForOneCapture(5s);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->windowTitle, "Café Münster");
    EXPECT_EQ(found->appName, "XTerm");
    // No sound server runs here.
    const std::string log = readFile(session.log("tavro"));
    EXPECT_EQ(log.find("ALSA"), std::string::npos) << log;
    EXPECT_EQ(log.find("snd_"), std::string::npos) << log;
}

TEST(AppStartTest, TryACaptureTakesOnboardingAwayAndReopeningBringsItBack) {
    DesktopSession session;
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Welcome to Tavro$"));
    const std::string onboarding = session.windowsNamed("^Welcome to Tavro$").front();
    EXPECT_TRUE(session.activate(onboarding));
    ASSERT_TRUE(session.waitForFocus(onboarding));
    // "Try a capture now" is on the last step: four times Continue, which each step gives the
    // focus as it shows.
    for (int step = 0; step < 4; ++step)
        session.key("space");
    ASSERT_TRUE(session.waitForControl("Welcome to Tavro", "label", "Ready, current step"));
    ASSERT_TRUE(session.clickControl("Welcome to Tavro", "push button", "Try a capture now"));
    // Onboarding cannot be minimised; it leaves the screen all the same.
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] { return session.windowsNamed("^Welcome to Tavro$").empty(); }, 3s));
    ASSERT_TRUE(session.waitForKeyboardGrab());
    session.screenshot("try-a-capture-overlay");
    session.key("Escape");
    EXPECT_TRUE(DesktopSession::waitUntil([&] { return !session.keyboardGrabbed(); }, 5s));
    EXPECT_EQ(session.runTavro({}), 0);
    EXPECT_TRUE(session.waitForWindow("^Welcome to Tavro$", 5s));
}

TEST(BoardSidebarTest, ShowsTheLibrarysGroupsAndTagsAndItsSheetStoresANewGroup) {
    DesktopSession session;
    {
        CaptureStore store(session.database(), defaultStoreChangeNotifier());
        const auto group =
            store.upsertGroup(CaptureGroup{.id = "6d1f0c4e-4b7a-4f65-9c1e-2a9d1c3b5e70",
                                           .name = "Checkout flow",
                                           .colorHex = "#10B981",
                                           .createdAt = now(),
                                           .updatedAt = now()});
        Capture capture{.id = "0b6f3f1e-8c2d-4a5b-9e7f-1d2c3b4a5f60",
                        .createdAt = now(),
                        .updatedAt = now(),
                        .note = "Coupon field loses focus",
                        .captureMode = CaptureMode::text};
        capture.groupID = group.id;
        store.insert(capture);
        store.setTags({"forms"}, capture.id);
    }
    session.completeOnboarding();
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    ASSERT_TRUE(session.waitForFocus(session.windowsNamed("^Tavro$").front()));
    session.screenshot("board-sidebar");

    // The button sits in the sidebar list's row of that name.
    ASSERT_TRUE(session.clickControl("Tavro", "list item", "New group"));
    ASSERT_TRUE(session.waitForWindow("^New group$"));
    session.type("Billing");
    session.screenshot("board-new-group-sheet");
    session.key("Return");
    ASSERT_TRUE(
        DesktopSession::waitUntil([&] { return session.windowsNamed("^New group$").empty(); }, 5s));
    CaptureStore store(session.database(), defaultStoreChangeNotifier());
    EXPECT_TRUE(store.groupNamed("Billing", std::nullopt));
    session.screenshot("board-sidebar-new-group");
}
