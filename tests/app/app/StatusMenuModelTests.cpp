#include "app/MainMenu.h"
#include "app/StatusMenuModel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tavro;
using Kind = SyncStatus::Kind;

namespace {

StatusMenuInputs inputs(std::int64_t open, SyncStatus sync = {}, std::string line = {}) {
    return {HotkeyBinding::defaultRegion(), HotkeyBinding::defaultFullScreen(), open, sync, line};
}

TEST(StatusMenu, TitlesCarryTheShortcutsAndTheOpenCount) {
    const auto none = statusMenuState(inputs(0));
    EXPECT_EQ(none.captureRegion, "Capture Region  Alt+Shift+2");
    EXPECT_EQ(none.captureFullScreen, "Capture Full Screen  Alt+Shift+3");
    // The item has no shortcut of its own.
    EXPECT_EQ(none.newIssue, "New Issue Without Screenshot");
    EXPECT_EQ(none.openDashboard, "Open Dashboard");
    EXPECT_EQ(none.toolTip, "Tavro — nothing open");

    const auto one = statusMenuState(inputs(1));
    EXPECT_EQ(one.openDashboard, "Open Dashboard  (1)");
    EXPECT_EQ(one.toolTip, "Tavro — 1 open capture");

    const auto many = statusMenuState(inputs(12));
    EXPECT_EQ(many.openDashboard, "Open Dashboard  (12)");
    EXPECT_EQ(many.toolTip, "Tavro — 12 open captures");

    StatusMenuInputs tap = inputs(0);
    tap.regionHotkey = HotkeyBinding{std::nullopt, ModifierSet::option, 2};
    EXPECT_EQ(statusMenuState(tap).captureRegion, "Capture Region  Alt Alt");
    EXPECT_EQ(statusMenuState(tap).newIssue, "New Issue Without Screenshot");
}

TEST(StatusMenu, SyncLineForSignedInStatesAndTheInvitationOtherwise) {
    struct Case {
        Kind kind;
        bool syncLine;
        const char* signIn;
    };
    const Case cases[] = {
        {Kind::signedOut, false, "Sign in to sync…"},
        {Kind::sessionExpired, false, "Sign in again to sync…"},
        {Kind::syncing, true, nullptr},
        {Kind::idle, true, nullptr},
        {Kind::offline, true, nullptr},
        {Kind::failed, true, nullptr},
    };
    for (const auto& c : cases) {
        const auto state = statusMenuState(inputs(0, SyncStatus{c.kind}, "Offline — no network"));
        EXPECT_EQ(state.syncLineVisible, c.syncLine) << int(c.kind);
        EXPECT_EQ(state.signInVisible, !c.syncLine) << int(c.kind);
        if (c.syncLine)
            EXPECT_EQ(state.syncLine, "Offline — no network");
        else
            EXPECT_EQ(state.signIn, c.signIn);
    }
}

TEST(MainMenu, MenusInOrderWithTheirKeys) {
    std::vector<std::string> lines;
    for (const auto& item : mainMenuItems()) {
        std::string line = std::string(item.menu) + " | " + item.title;
        if (*item.keys)
            line += " | " + std::string(item.keys);
        else if (item.standardKey != QKeySequence::UnknownKey)
            line += " | standard";
        lines.push_back(line);
    }
    const std::vector<std::string> expected{
        "Tavro | About Tavro",
        "Tavro | Check for Updates…",
        "Tavro | ",
        "Tavro | Settings… | Ctrl+,",
        "Tavro | Show Onboarding…",
        "Tavro | ",
        "Tavro | Hide Tavro | Ctrl+H",
        "Tavro | Hide Others | Ctrl+Alt+H",
        "Tavro | ",
        "Tavro | Quit Tavro | Ctrl+Q",
        "Capture | Capture Region",
        "Capture | Capture Full Screen",
        "Capture | ",
        "Capture | New Issue Without Screenshot | standard",
        "Edit | Undo | standard",
        "Edit | Redo | Ctrl+Shift+Z",
        "Edit | ",
        "Edit | Cut | standard",
        "Edit | Copy | standard",
        "Edit | Paste | standard",
        "Edit | Select All | standard",
        "Window | Dashboard | Ctrl+0",
        "Window | ",
        "Window | Minimize | Ctrl+M",
        "Window | Close | standard",
    };
    EXPECT_EQ(lines, expected);
}

} // namespace
