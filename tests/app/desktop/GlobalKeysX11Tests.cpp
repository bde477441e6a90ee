#include "capture/EventTapMonitor.h"
#include "desktop/GlobalKeys.h"
#include "desktop/PermissionProbe.h"
#include "desktop/X11HotkeyRegistrar.h"
#include "desktop/X11Keyboard.h"
#include "values/HotkeyBinding.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <functional>

using namespace tavro;

namespace {

// Types on the X server as a person would, through XTEST.
void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0)
        << arguments.join(u' ').toStdString();
}

bool until(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 3000);
}

const ModifierSet altShift = ModifierSet::option | ModifierSet::shift;

class GlobalKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        keys = makePlatformGlobalKeys();
        ASSERT_TRUE(keys.keyboard);
    }

    // Types a marker combination after what the test sent and waits until it fires: the server
    // delivers key events in order, so everything sent before it has been handled by then.
    void handledSoFar() {
        int marks = 0;
        auto marker = keys.registrar->registerHotkey(25, ModifierSet::control | ModifierSet::option,
                                                     [&] { ++marks; });
        ASSERT_TRUE(marker);
        xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+9")});
        ASSERT_TRUE(until([&] { return marks > 0; }));
    }

    GlobalKeys keys;
};

TEST_F(GlobalKeysTest, RegisteredCombinationFiresOncePerPressWhateverTheLocks) {
    int fired = 0;
    auto hotkey = keys.registrar->registerHotkey(19, altShift, [&] { ++fired; });
    ASSERT_TRUE(hotkey);

    xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+2")});
    until([&] { return fired == 1; });
    EXPECT_EQ(fired, 1);

    // Held for a second, the key repeats on the server: still one press.
    xdotool({QStringLiteral("keydown"), QStringLiteral("alt+shift+2"), QStringLiteral("sleep"),
             QStringLiteral("1"), QStringLiteral("keyup"), QStringLiteral("alt+shift+2")});
    handledSoFar();
    EXPECT_EQ(fired, 2);

    xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")});
    xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+2")});
    xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")});
    until([&] { return fired == 3; });
    EXPECT_EQ(fired, 3);

    // Another combination, or the same key with other modifiers, is not this shortcut.
    xdotool({QStringLiteral("key"), QStringLiteral("alt+2"), QStringLiteral("ctrl+alt+shift+2")});
    handledSoFar();
    EXPECT_EQ(fired, 3);

    hotkey.reset();
    xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+2")});
    handledSoFar();
    EXPECT_EQ(fired, 3);
}

TEST_F(GlobalKeysTest, AReleaseThatGoesElsewhereDoesNotBlockTheNextPress) {
    int fired = 0;
    auto hotkey = keys.registrar->registerHotkey(19, altShift, [&] { ++fired; });
    ASSERT_TRUE(hotkey);
    xdotool({QStringLiteral("keydown"), QStringLiteral("alt+shift+2")});
    until([&] { return fired == 1; });
    EXPECT_EQ(fired, 1);

    // The app lets go of the keyboard before the key comes up, as the selection overlay does
    // when it closes; another client then holds the keyboard, so the release goes there.
    xcb_ungrab_keyboard(keys.keyboard->connection(), XCB_CURRENT_TIME);
    xcb_flush(keys.keyboard->connection());
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    std::unique_ptr<xcb_grab_keyboard_reply_t, decltype(&std::free)> grab(
        xcb_grab_keyboard_reply(other,
                                xcb_grab_keyboard(other, 0, root, XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                nullptr),
        &std::free);
    ASSERT_TRUE(grab && grab->status == XCB_GRAB_STATUS_SUCCESS);
    xdotool({QStringLiteral("keyup"), QStringLiteral("alt+shift+2")});
    xcb_disconnect(other);
    // The app finds the missed release from the server's key map while its event loop runs, as
    // it does between a person's key presses; xdotool above held that loop up.
    const auto* x11 = dynamic_cast<const X11HotkeyRegistrar*>(keys.registrar.get());
    ASSERT_NE(x11, nullptr);
    ASSERT_TRUE(until([&] { return !x11->holdsAKeyDown(); }));

    xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+2")});
    until([&] { return fired == 2; });
    EXPECT_EQ(fired, 2);
}

TEST_F(GlobalKeysTest, CombinationAnotherClientHoldsIsRefusedUntilItLetsGo) {
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(other));
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    const auto mask = keys.keyboard->modifierMask(altShift);
    ASSERT_TRUE(mask);
    // The key position of "2" on the server: its input code plus 8.
    xcb_generic_error_t* error =
        xcb_request_check(other, xcb_grab_key_checked(other, 1, root, *mask, 11,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    ASSERT_EQ(error, nullptr);

    EXPECT_FALSE(keys.registrar->registerHotkey(19, altShift, [] {}));
    EXPECT_TRUE(keys.registrar->registerHotkey(20, altShift, [] {}));

    xcb_disconnect(other);
    // The server lets go of the other client's grab once it has seen the disconnection.
    until([&] { return static_cast<bool>(keys.registrar->registerHotkey(19, altShift, [] {})); });
    EXPECT_TRUE(keys.registrar->registerHotkey(19, altShift, [] {}));
}

TEST_F(GlobalKeysTest, RawKeyEventsRecogniseTapsAndRepeatedPresses) {
    X11PermissionProbe access;
    EventTapMonitor monitor(*keys.keys, access);
    int taps = 0, presses = 0;
    monitor.setTriggers({{HotkeyBinding{std::nullopt, ModifierSet::option, 2},
                          [&] {
                              ++taps;
                          }},
                         {HotkeyBinding{21, altShift, 2}, [&] {
                              ++presses;
                          }}});
    ASSERT_TRUE(monitor.start());

    // A lone tap or press, then a pause longer than the gap between the presses of one
    // sequence: the time is what makes it lone.
    const int pastTheGapMs = 500;
    xdotool({QStringLiteral("key"), QStringLiteral("alt")});
    EXPECT_FALSE(QTest::qWaitFor([&] { return taps != 0; }, pastTheGapMs));
    EXPECT_EQ(taps, 0);
    xdotool({QStringLiteral("key"), QStringLiteral("alt"), QStringLiteral("key"),
             QStringLiteral("alt")});
    until([&] { return taps == 1; });
    EXPECT_EQ(taps, 1);

    xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+4")});
    EXPECT_FALSE(QTest::qWaitFor([&] { return presses != 0; }, pastTheGapMs));
    EXPECT_EQ(presses, 0);
    xdotool({QStringLiteral("key"), QStringLiteral("alt+shift+4"), QStringLiteral("key"),
             QStringLiteral("alt+shift+4")});
    until([&] { return presses == 1; });
    EXPECT_EQ(presses, 1);

    // A key held down repeats on the server, which is not a second press.
    xdotool({QStringLiteral("keydown"), QStringLiteral("alt+shift+4"), QStringLiteral("sleep"),
             QStringLiteral("1"), QStringLiteral("keyup"), QStringLiteral("alt+shift+4")});
    handledSoFar();
    EXPECT_EQ(presses, 1);

    monitor.stop();
    xdotool({QStringLiteral("key"), QStringLiteral("alt"), QStringLiteral("key"),
             QStringLiteral("alt")});
    handledSoFar();
    EXPECT_EQ(taps, 1);
}

TEST_F(GlobalKeysTest, KeysAreNamedFromTheCurrentLayout) {
    EXPECT_EQ(HotkeyBinding::defaultRegion().displayString(), "Alt+Shift+2");
    EXPECT_EQ(HotkeyBinding::keyName(12), "Q");
    ASSERT_EQ(QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("fr")}), 0);
    until([&] { return HotkeyBinding::keyName(12) == "A"; });
    EXPECT_EQ(HotkeyBinding::keyName(12), "A");
    EXPECT_EQ(HotkeyBinding::keyName(19), "É");
    ASSERT_EQ(QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("us")}), 0);
    until([&] { return HotkeyBinding::keyName(12) == "Q"; });
    EXPECT_EQ(HotkeyBinding::keyName(12), "Q");
}

} // namespace

namespace {

TEST_F(GlobalKeysTest, AltAndSuperBitsComeFromTheServersModifierMap) {
    EXPECT_EQ(keys.keyboard->modifierMask(ModifierSet::command),
              std::optional<std::uint16_t>(XCB_MOD_MASK_4));
    // fn has no X11 bit: a combination with it grabs the same keys without it.
    EXPECT_EQ(keys.keyboard->modifierMask(ModifierSet::function | ModifierSet::command),
              std::optional<std::uint16_t>(XCB_MOD_MASK_4));

    // Move Super to Mod3; the keyboard follows the mapping change.
    auto xmodmap = [](const char* expression) {
        return QProcess::execute(QStringLiteral("xmodmap"),
                                 {QStringLiteral("-e"), QString::fromUtf8(expression)});
    };
    ASSERT_EQ(xmodmap("remove mod4 = Super_L Super_R"), 0);
    ASSERT_EQ(xmodmap("add mod3 = Super_L Super_R"), 0);
    const bool followed = QTest::qWaitFor(
        [&] { return keys.keyboard->modifierMask(ModifierSet::command) == XCB_MOD_MASK_3; }, 2000);
    xmodmap("remove mod3 = Super_L Super_R");
    xmodmap("add mod4 = Super_L Super_R");
    EXPECT_TRUE(followed);
    EXPECT_EQ(keys.keyboard->modifiersOfState(XCB_MOD_MASK_1 | XCB_MOD_MASK_SHIFT),
              ModifierSet::option | ModifierSet::shift);
}

} // namespace
