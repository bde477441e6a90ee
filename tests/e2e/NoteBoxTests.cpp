// The note box of the real program, filled in and saved as a user would, under a window
// manager.
#include "DesktopSession.h"

#include "model/CaptureGroup.h"
#include "model/Image.h"
#include "store/CaptureStore.h"

#include "TempLibrary.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace tavro;
using tavro::test::DesktopSession;
using tavro::test::filesUnder;

namespace {

// Spots inside a box that has a screenshot, from its top-left corner at scale 1.
constexpr int groupPillX = 65, choicesY = 415;
constexpr int highX = 247;
constexpr int tagsX = 230, tagsY = 456;
constexpr int addTileX = 122, stripY = 229;

struct Point {
    int x = 0;
    int y = 0;
};

std::unique_ptr<CaptureStore> openStore(const DesktopSession& session) {
    fs::create_directories(session.library());
    return std::make_unique<CaptureStore>(session.database(),
                                          std::make_shared<NullStoreChangeNotifier>());
}

// The note box's window, once it shows.
struct NoteBox {
    explicit NoteBox(DesktopSession& session)
        : session(session) {
        EXPECT_TRUE(session.waitForWindow("^Tavro Note$"));
        const auto windows = session.windowsNamed("^Tavro Note$");
        EXPECT_EQ(windows.size(), 1u);
        if (windows.empty())
            return;
        id = windows.front();
        // Placed and shown once it has the focus.
        EXPECT_TRUE(session.waitForFocus(id));
        const auto frame = session.windowFrame(id);
        EXPECT_TRUE(frame);
        if (frame) {
            origin = {(*frame)[0], (*frame)[1]};
            width = (*frame)[2];
            height = (*frame)[3];
        }
    }

    void click(int x, int y) const {
        session.xdotool({"mousemove", std::to_string(origin.x + x), std::to_string(origin.y + y),
                         "click", "1"});
    }
    // Opens the group menu and picks the item `downs` steps below its top.
    void pickGroupItem(int downs) const {
        click(groupPillX, choicesY);
        // The menu grabs the keyboard once it is up, and lets go as it closes.
        EXPECT_TRUE(session.waitForKeyboardGrab());
        for (int i = 0; i < downs; ++i)
            session.key("Down");
        session.key("Return");
        EXPECT_TRUE(DesktopSession::waitUntil([&] { return !session.keyboardGrabbed(); }, 5s));
    }
    // The "New group…" item's field takes the focus a moment after the menu has gone.
    bool waitForGroupNameField() const {
        return session.waitForControlFocus("Tavro Note", "text", "Group name");
    }

    DesktopSession& session;
    std::string id;
    Point origin;
    int width = 0;
    int height = 0;
};

// The app with onboarding done, the xterm in front, and the one group "group-checkout" when a
// name is given.
struct RunningApp {
    explicit RunningApp(DesktopSession& session, const std::string& groupName = {})
        : session(session) {
        if (!groupName.empty()) {
            CaptureGroup group;
            group.id = "group-checkout";
            group.name = groupName;
            group.colorHex = "#10B981";
            openStore(session)->upsertGroup(group);
        }
        session.completeOnboarding();
        process = &session.launchTavro();
        EXPECT_TRUE(session.focusXtermOnceTheBoardIsUp());
    }
    void regionCapture(int fromX, int fromY, int toX, int toY) {
        EXPECT_EQ(session.runTavro({"--capture-region"}), 0);
        EXPECT_TRUE(
            DesktopSession::waitUntil([&] { return session.windowsNamed("^Tavro$").empty(); }, 5s));
        EXPECT_TRUE(session.waitForKeyboardGrab());
        session.drag(fromX, fromY, toX, toY);
    }
    DesktopSession& session;
    test::BackgroundProcess* process = nullptr;
};

} // namespace

TEST(NoteBoxTest, ARegionCaptureOpensTheFullBoxAndSavesNoteGroupPriorityAndTags) {
    DesktopSession session;
    RunningApp app(session, "Checkout");
    app.regionCapture(100, 100, 400, 300);
    NoteBox box(session);
    session.screenshot("note-box-full");
    // On the screen of the capture, centred across, its centre 8% of the free height above the
    // middle (the free area is the screen less icewm's task bar at the bottom).
    EXPECT_EQ(box.width, 460);
    EXPECT_NEAR(box.origin.x + box.width / 2, 640, 2);
    EXPECT_LT(box.origin.y + box.height / 2, 400 - 40);
    EXPECT_GT(box.origin.y, 0);

    session.type("Login button overlaps");
    box.pickGroupItem(2); // "No group", then "Checkout"
    box.click(highX, choicesY);
    box.click(tagsX, tagsY);
    session.type("ui, Login");
    session.screenshot("note-box-filled");
    session.key("ctrl+Return");
    const auto stored = session.waitForOneCapture(5s);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->note, "Login button overlaps");
    EXPECT_EQ(stored->groupID, "group-checkout");
    EXPECT_EQ(stored->priority, CapturePriority::high);
    EXPECT_EQ(openStore(session)->tags(stored->id), (std::vector<std::string>{"login", "ui"}));
    EXPECT_TRUE(session.windowsNamed("^Tavro Note$").empty());
}

TEST(NoteBoxTest, ANewGroupNamedInTheBoxIsCreatedAndHoldsTheCapture) {
    DesktopSession session;
    RunningApp app(session);
    app.regionCapture(100, 100, 400, 300);
    NoteBox box(session);
    box.pickGroupItem(2); // "No group", then "New group…"
    ASSERT_TRUE(box.waitForGroupNameField());
    session.type("Onboarding");
    session.screenshot("note-box-naming-group");
    session.key("Return");
    session.type("Step two is blank"); // the note has the keys again
    session.key("ctrl+Return");
    const auto stored = session.waitForOneCapture(5s);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->note, "Step two is blank");
    const auto groups = openStore(session)->groups();
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].name, "Onboarding");
    EXPECT_EQ(stored->groupID, groups[0].id);
}

TEST(NoteBoxTest, ANoteOnlyIssueShowsTheShortBoxAndSaves) {
    DesktopSession session;
    RunningApp app(session);
    EXPECT_EQ(session.runTavro({"--new-issue"}), 0);
    NoteBox box(session);
    session.screenshot("note-box-no-screenshot");
    EXPECT_EQ(box.width, 460);
    EXPECT_LT(box.height, 400) << "no preview and no strip";
    session.type("Crash on start");
    session.key("ctrl+Return");
    const auto stored = session.waitForOneCapture(5s);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->captureMode, CaptureMode::text);
    EXPECT_EQ(stored->note, "Crash on start");
    EXPECT_EQ(stored->imagePath, "");
}

TEST(NoteBoxTest, AddingASecondScreenshotComesBackWithTheTypedDraft) {
    DesktopSession session;
    RunningApp app(session, "Checkout");
    app.regionCapture(100, 100, 400, 300);
    {
        NoteBox box(session);
        session.type("Two views of one bug");
        box.pickGroupItem(2);
        box.click(highX, choicesY);
        box.click(addTileX, stripY);
    }
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] { return session.windowsNamed("^Tavro Note$").empty(); }, 5s));
    ASSERT_TRUE(session.waitForKeyboardGrab());
    session.drag(500, 400, 700, 500);
    NoteBox again(session);
    session.screenshot("note-box-second-screenshot");
    session.key("ctrl+Return");
    const auto stored = session.waitForOneCapture(5s);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->note, "Two views of one bug");
    EXPECT_EQ(stored->groupID, "group-checkout");
    EXPECT_EQ(stored->priority, CapturePriority::high);
    const auto images = openStore(session)->images(stored->id);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].width, 300);
    EXPECT_EQ(images[1].width, 200);
    EXPECT_EQ(filesUnder(session.library() / "captures"), 2u);
}

TEST(NoteBoxTest, ScreenshotsAddedWhereTheBoxWasShowWhatLayUnderIt) {
    DesktopSession session;
    RunningApp app(session);
    // A white xterm under the box's place, its prompt far above it.
    session.xdotool({"windowsize", "--sync", session.xtermWindow(), "1200", "760"});
    session.xdotool({"windowmove", "--sync", session.xtermWindow(), "20", "20"});
    session.focusXterm();
    constexpr int tries = 20;
    for (int i = 0; i < tries; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(session.runTavro({"--new-issue"}), 0);
        std::optional<NoteBox> box(std::in_place, session);
        ASSERT_GT(box->width, 0);
        const Point from = box->origin;
        const Point to{from.x + box->width, from.y + box->height};
        ASSERT_TRUE(session.clickControl("Tavro Note", "push button", "Add screenshot"));
        box.reset();
        ASSERT_TRUE(DesktopSession::waitUntil(
            [&] { return session.windowsNamed("^Tavro Note$").empty(); }, 5s));
        ASSERT_TRUE(session.waitForKeyboardGrab());
        session.drag(from.x, from.y, to.x, to.y);
        NoteBox again(session);
        session.key("ctrl+Return");
        ASSERT_TRUE(DesktopSession::waitUntil(
            [&] { return session.storedCaptures().size() == std::size_t(i + 1); }, 5s));
        ASSERT_TRUE(DesktopSession::waitUntil(
            [&] { return session.windowsNamed("^Tavro Note$").empty(); }, 5s));
    }
    const auto store = openStore(session);
    int blackShots = 0;
    for (const Capture& capture : session.storedCaptures()) {
        const auto images = store->images(capture.id);
        ASSERT_EQ(images.size(), 1u);
        const auto image = Image::load(session.library() / "captures" / images[0].imagePath);
        ASSERT_TRUE(image);
        int black = 0;
        for (int y = 0; y < image->height(); ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(
                image->pixels() + std::size_t(y) * std::size_t(image->stride()));
            for (int x = 0; x < image->width(); ++x)
                black += (row[x] & 0xffffff) == 0;
        }
        blackShots += black > 0;
        EXPECT_EQ(black, 0) << images[0].imagePath;
    }
    EXPECT_EQ(blackShots, 0) << "of " << tries;
}

namespace {

// The ways the app ends with the note box open, each as a user or the desktop would end it.
struct Ending {
    const char* label; // as a test name
    std::function<void(DesktopSession&, test::BackgroundProcess&)> end;
};

const Ending endings[] = {
    {"Sigterm",
     [](DesktopSession&, test::BackgroundProcess& app) {
         kill(app.pid(), SIGTERM);
     }},
    {"Sighup",
     [](DesktopSession&, test::BackgroundProcess& app) {
         kill(app.pid(), SIGHUP);
     }},
    {"CtrlQInTheBox",
     [](DesktopSession& session, test::BackgroundProcess&) {
         session.key("ctrl+q");
     }},
    {"TheXServerGoingAway",
     [](DesktopSession& session, test::BackgroundProcess&) {
         session.stopDisplay();
     }},
};

std::vector<Capture> everyCapture(const DesktopSession& session) {
    CaptureQuery everything;
    everything.limit = -1;
    return openStore(session)->captures(everything);
}

} // namespace

class NoteBoxEndTest : public ::testing::TestWithParam<Ending> {};

// However the app ends, the capture in the note box is stored as typed, with its screenshot.
TEST_P(NoteBoxEndTest, TheCaptureInTheBoxIsStoredWhenTheAppEnds) {
    const Ending& ending = GetParam();
    DesktopSession session;
    RunningApp app(session);
    test::BackgroundProcess& process = *app.process;
    app.regionCapture(100, 100, 400, 300);
    NoteBox box(session);
    session.type("Kept at the end");
    box.click(tagsX, tagsY);
    session.type("ending");
    ending.end(session, process);
    ASSERT_TRUE(process.waitForExit(20s)) << "the app ended";
    const auto stored = everyCapture(session);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].note, "Kept at the end");
    EXPECT_EQ(openStore(session)->tags(stored[0].id), std::vector<std::string>{"ending"});
    EXPECT_EQ(stored[0].imageWidth, 300);
    EXPECT_TRUE(fs::exists(session.library() / "captures" / stored[0].imagePath));
}

INSTANTIATE_TEST_SUITE_P(Endings, NoteBoxEndTest, ::testing::ValuesIn(endings),
                         [](const ::testing::TestParamInfo<Ending>& info) {
                             return std::string(info.param.label);
                         });

// The note typed in the detail pane is stored though the app ends before its autosave ran.
TEST(PaneNoteEndTest, ThePanesNoteIsStoredWhenTheXServerGoes) {
    DesktopSession session;
    Capture capture;
    capture.id = "c-pane";
    capture.note = "Checkout total";
    capture.createdAt = capture.updatedAt = 1'700'000'000;
    capture.captureMode = CaptureMode::text;
    openStore(session)->insert(capture);
    session.completeOnboarding();
    test::BackgroundProcess& process = session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    ASSERT_TRUE(session.clickControl("Tavro", "list item", "Checkout total"));
    ASSERT_TRUE(session.focusControl("Tavro", "text", "Note"));
    session.key("ctrl+End");
    session.type(" overlaps");
    // The keys are the X server's until the app has read them all.
    ASSERT_TRUE(DesktopSession::waitUntil(
        [&] { return session.controlText("Tavro", "text", "Note") == "Checkout total overlaps"; },
        5s));
    session.stopDisplay();
    ASSERT_TRUE(process.waitForExit(20s));
    const auto stored = openStore(session)->capture("c-pane");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->note, "Checkout total overlaps");
}
