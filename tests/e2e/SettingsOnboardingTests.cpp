// Onboarding and the settings window of the real program on a fresh profile. The forward button
// has the focus on each step, so Space moves on; the other controls are found by their
// accessible names, so a change of focus order leaves these tests alone.
#include "DesktopSession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using tavro::test::BackgroundProcess;
using tavro::test::DesktopSession;

namespace {

std::string settingsFile(const DesktopSession& session) {
    std::ifstream in(session.home() / ".config/tavro/Tavro.conf");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool completed(const DesktopSession& session) {
    return settingsFile(session).find("onboarding.completed=true") != std::string::npos;
}

// Presses keys in the window in front; the app handles them in order.
void press(const DesktopSession& session, const std::string& keys) {
    session.key(keys);
}

std::string openOnboarding(DesktopSession& session, BackgroundProcess** launched = nullptr) {
    BackgroundProcess& app = session.launchTavro();
    if (launched)
        *launched = &app;
    EXPECT_TRUE(session.waitForWindow("^Welcome to Tavro$"));
    const auto windows = session.windowsNamed("^Welcome to Tavro$");
    if (windows.empty())
        return {};
    EXPECT_TRUE(session.activate(windows.front()));
    EXPECT_TRUE(session.waitForFocus(windows.front()));
    return windows.front();
}

const std::string onboardingTitle = "Welcome to Tavro";

// Waits until the progress row names `step` as the current one.
bool onStep(const DesktopSession& session, const std::string& step) {
    return session.waitForControl(onboardingTitle, "label", step + ", current step").has_value();
}

bool clickButton(const DesktopSession& session, const std::string& window,
                 const std::string& name) {
    return session.clickControl(window, "push button", name);
}

} // namespace

TEST(OnboardingTest, EachStepIsReachedWithItsButtonsAndFinishingOpensTheBoardFromThenOn) {
    DesktopSession session;
    BackgroundProcess* first = nullptr;
    ASSERT_FALSE(openOnboarding(session, &first).empty());
    EXPECT_TRUE(session.windowsNamed("^Tavro$").empty());
    session.screenshot("onboarding-welcome");
    press(session, "space"); // Continue: Permission
    session.screenshot("onboarding-permission");
    press(session, "space"); // Continue: Shortcuts
    ASSERT_TRUE(onStep(session, "Shortcuts"));
    session.screenshot("onboarding-shortcuts");
    ASSERT_TRUE(clickButton(session, onboardingTitle, "Back"));
    ASSERT_TRUE(onStep(session, "Permission"));
    press(session, "space"); // Shortcuts
    press(session, "space"); // Your agent
    ASSERT_TRUE(onStep(session, "Your agent"));
    session.screenshot("onboarding-agent");
    ASSERT_TRUE(clickButton(session, onboardingTitle, "Skip"));
    ASSERT_TRUE(onStep(session, "Ready"));
    session.screenshot("onboarding-ready");
    // Had Back or Skip done nothing, this press would land on a step before Ready.
    EXPECT_FALSE(completed(session));
    EXPECT_TRUE(session.windowsNamed("^Tavro$").empty());
    session.key("space"); // Start using Tavro
    ASSERT_TRUE(session.waitForWindow("^Tavro$", 5s));
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] { return session.windowsNamed("^Welcome to Tavro$").empty(); }, 3s));
    EXPECT_TRUE(completed(session));

    EXPECT_TRUE(session.activate(session.windowsNamed("^Tavro$").front()));
    session.key("ctrl+q");
    ASSERT_TRUE(
        DesktopSession::waitUntil([&] { return session.windowsNamed("^Tavro$").empty(); }, 5s));
    ASSERT_TRUE(first->waitForExit(5s));
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    DesktopSession::holdsFor([&] { return session.windowsNamed("^Welcome to Tavro$").empty(); },
                             500ms);
    EXPECT_TRUE(session.windowsNamed("^Welcome to Tavro$").empty());
}

TEST(OnboardingTest, TryACaptureOnTheReadyStepStartsARegionCapture) {
    DesktopSession session;
    ASSERT_FALSE(openOnboarding(session).empty());
    for (int step = 0; step < 4; ++step)
        press(session, "space");
    ASSERT_TRUE(onStep(session, "Ready"));
    ASSERT_TRUE(clickButton(session, onboardingTitle, "Try a capture now"));
    EXPECT_TRUE(DesktopSession::waitUntil(
        [&] { return session.windowsNamed("^Welcome to Tavro$").empty(); }, 3s));
    ASSERT_TRUE(session.waitForKeyboardGrab());
    session.drag(100, 100, 400, 300);
    ASSERT_TRUE(session.waitForWindow("^Tavro Note$", 5s));
    // The box shows the screenshot from memory while its file is written.
    DesktopSession::waitUntil(
        [&] { return tavro::test::filesUnder(session.library() / "captures") == 1u; }, 5s);
    EXPECT_EQ(tavro::test::filesUnder(session.library() / "captures"), 1u);
    EXPECT_FALSE(completed(session));
}

TEST(SettingsTest, OpensFromTheMenuAtItsSizeAndARecordedShortcutIsArmedAtOnce) {
    DesktopSession session;
    session.completeOnboarding();
    session.launchTavro();
    ASSERT_TRUE(session.waitForWindow("^Tavro$"));
    const std::optional<std::string> opened = session.openSettingsFromBoard();
    ASSERT_TRUE(opened);
    const std::string settings = *opened;
    DesktopSession::waitUntil(
        [&] {
            const auto shown = session.windowFrame(settings);
            return shown && (*shown)[2] == 560;
        },
        5s);
    const auto frame = session.windowFrame(settings);
    ASSERT_TRUE(frame);
    EXPECT_EQ((*frame)[2], 560);
    EXPECT_GE((*frame)[3], 480);
    session.screenshot("settings-general");

    ASSERT_TRUE(session.clickControl("Tavro Settings", "page tab", "Shortcuts"));
    ASSERT_TRUE(clickButton(session, "Tavro Settings", "Capture a region")); // records
    session.key("alt+shift+9");
    // Stored once every key is up and the recorder has waited for a second press; armed 150 ms on.
    ASSERT_TRUE(DesktopSession::waitUntil(
        [&] {
            const std::string file = settingsFile(session);
            return file.find("hotkey.region") != std::string::npos &&
                   file.find("keyCode\\\":25") != std::string::npos;
        },
        5s))
        << settingsFile(session);
    session.screenshot("settings-shortcuts-recorded");

    session.focusXterm();
    session.key("alt+shift+9");
    // The overlay takes the app's windows off the screen.
    ASSERT_TRUE(DesktopSession::waitUntil(
        [&] { return session.windowsNamed("^Tavro Settings$").empty(); }, 5s));
    ASSERT_TRUE(session.waitForKeyboardGrab());
    session.key("Escape");
    EXPECT_TRUE(session.waitForWindow("^Tavro Settings$", 5s));
}
