// How a screen reader finds each of the app's windows: as a frame or a dialog, which it takes
// for a window, never as a filler.
#include "DesktopSession.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>

using namespace std::chrono_literals;
using tavro::test::DesktopSession;

namespace {

struct WindowCase {
    std::string name;
    std::string title;
    std::string role;
    // Opens the window in a fresh session; false when it never appears.
    std::function<bool(DesktopSession&)> open;
};

void PrintTo(const WindowCase& window, std::ostream* out) {
    *out << window.title;
}

bool openBoard(DesktopSession& session) {
    session.completeOnboarding();
    session.launchTavro();
    return session.waitForWindow("^Tavro$");
}

const WindowCase windowCases[] = {
    {"Welcome", "Welcome to Tavro", "frame",
     [](DesktopSession& session) {
         session.launchTavro();
         return session.waitForWindow("^Welcome to Tavro$");
     }},
    {"Board", "Tavro", "frame", openBoard},
    {"Settings", "Tavro Settings", "frame",
     [](DesktopSession& session) {
         return openBoard(session) && session.openSettingsFromBoard().has_value();
     }},
    {"NoteBox", "Tavro Note", "dialog",
     [](DesktopSession& session) {
         return openBoard(session) && session.runTavro({"--new-issue"}) == 0 &&
                session.waitForWindow("^Tavro Note$");
     }},
    {"MarkupEditor", "Mark up screenshot", "frame",
     [](DesktopSession& session) {
         if (!session.startRegionCapture())
             return false;
         session.drag(100, 100, 500, 400);
         return session.openMarkupEditorFromNoteBox().has_value();
     }},
};

class WindowRoleTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(WindowRoleTest, TheWindowIsExposedAsAFrameOrADialog) {
    const WindowCase& window = GetParam();
    DesktopSession session;
    ASSERT_TRUE(window.open(session)) << window.title;
    std::optional<std::string> role;
    ASSERT_TRUE(DesktopSession::waitUntil(
        [&] { return (role = session.windowRole(window.title)).has_value(); }, 10s))
        << window.title << " never showed over AT-SPI";
    EXPECT_EQ(*role, window.role) << window.title;
    session.screenshot("window-role-" + window.name);
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowRoleTest, ::testing::ValuesIn(windowCases),
                         [](const auto& info) { return info.param.name; });

} // namespace
