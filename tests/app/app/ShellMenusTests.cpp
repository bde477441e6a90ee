#include "app/ShellMenus.h"
#include "values/KeyNames.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include "desktop/PermissionProbe.h"

#include "FakeTimer.h"
#include "RecordingActions.h"
#include "TempLibrary.h"

#include <QTest>

#include <gtest/gtest.h>

using namespace tavro;

namespace {

class CountingRegistrar final : public HotkeyRegistrar {
public:
    std::unique_ptr<RegisteredHotkey> registerHotkey(std::uint16_t, ModifierSet,
                                                     std::function<void()> handler) override {
        ++registrations;
        last = std::move(handler);
        return std::make_unique<RegisteredHotkey>();
    }
    int registrations = 0;
    std::function<void()> last;
};

class ShellMenusTest : public ::testing::Test {
protected:
    std::unique_ptr<Preferences> makePreferences() {
        auto file = [this](const char* name) {
            return toQString((folder.path() / name).string());
        };
        QSettings legacy(file("legacy.conf"), QSettings::IniFormat);
        return std::make_unique<Preferences>(
            std::make_unique<QSettings>(file("current.conf"), QSettings::IniFormat), legacy);
    }

    std::unique_ptr<RestartableTimer> makeDebounce() {
        auto timer = std::make_unique<test::FakeTimer>();
        debounce = timer.get();
        return timer;
    }

    test::TempFolder folder;
    std::unique_ptr<Preferences> preferences = makePreferences();
    CountingRegistrar registrar;
    NullKeyEventSource keys;
    X11PermissionProbe access;
    HotkeyManager hotkeys{registrar, keys, access};
    test::RecordingActions actions;
    std::int64_t open = 0;
    SyncStatus sync;
    std::string syncLine;
    test::FakeTimer* debounce = nullptr;
    ShellMenus menus{*preferences, hotkeys, actions,
                     ShellMenus::Sources{[this] { return open; }, [this] { return sync; },
                                         [this] {
                                             return syncLine;
                                         }},
                     makeDebounce()};
};

TEST_F(ShellMenusTest, ABurstOfShortcutChangesReArmsOnceWhenTheQuietTimeRunsOut) {
    menus.setUpStatusItem();
    menus.applyHotkeys();
    EXPECT_EQ(registrar.registrations, 3) << "arming applies once with one shortcut, then two";

    for (std::uint16_t code : {21, 22, 23})
        preferences->setBinding(PreferenceKey::regionHotkey,
                                HotkeyBinding{code, ModifierSet::option | ModifierSet::shift, 1});
    EXPECT_EQ(debounce->starts, 3) << "each change starts the quiet time again";
    EXPECT_EQ(registrar.registrations, 3) << "not re-armed while the quiet time runs";
    debounce->fire();
    EXPECT_EQ(registrar.registrations, 7) << "one re-arming: two applies of two shortcuts";
    EXPECT_FALSE(debounce->isActive());

    ASSERT_TRUE(menus.statusItem());
    EXPECT_EQ(menus.statusItem()->item(StatusItem::captureRegion)->text(),
              QStringLiteral("Capture Region  Alt+Shift+5"));
    EXPECT_EQ(menus.statusItem()->item(StatusItem::newIssue)->text(),
              QStringLiteral("New Issue Without Screenshot"));
}

TEST_F(ShellMenusTest, ShortcutsAndStatusItemsReachTheirActions) {
    menus.setUpStatusItem();
    menus.applyHotkeys();
    registrar.last();
    auto* item = menus.statusItem();
    item->item(StatusItem::captureRegion)->trigger();
    item->item(StatusItem::captureFullScreen)->trigger();
    item->item(StatusItem::newIssue)->trigger();
    item->item(StatusItem::openDashboard)->trigger();
    item->item(StatusItem::syncLine)->trigger();
    item->item(StatusItem::signIn)->trigger();
    EXPECT_EQ(actions.names(),
              (std::vector<std::string>{"fullScreen shortcut", "region", "fullScreen menu",
                                        "newIssue", "dashboard", "sync", "account"}));
}

TEST_F(ShellMenusTest, BoardChangesRetitleAfterTheyAreStoredAndNoItemWhenTurnedOff) {
    menus.setUpStatusItem();
    menus.applyHotkeys();
    EXPECT_EQ(menus.statusItem()->trayIcon().toolTip(), QStringLiteral("Tavro — nothing open"));
    EXPECT_FALSE(menus.statusItem()->item(StatusItem::syncLine)->isVisible());
    EXPECT_TRUE(menus.statusItem()->item(StatusItem::signIn)->isVisible());

    menus.scheduleStatusMenuUpdate();
    open = 1;
    (void)QTest::qWaitFor(
        [&] {
            return menus.statusItem()->trayIcon().toolTip() ==
                   QStringLiteral("Tavro — 1 open capture");
        },
        2000);
    EXPECT_EQ(menus.statusItem()->trayIcon().toolTip(), QStringLiteral("Tavro — 1 open capture"));
    EXPECT_EQ(menus.statusItem()->item(StatusItem::openDashboard)->text(),
              QStringLiteral("Open Dashboard  (1)"));

    preferences->setFlag(PreferenceKey::showMenuBarIcon, false);
    ShellMenus without{*preferences, hotkeys, actions, {}};
    without.setUpStatusItem();
    without.applyHotkeys();
    EXPECT_EQ(without.statusItem(), nullptr);
}

TEST_F(ShellMenusTest, TheSyncLineIsReadAgainWhenTheMenuOpens) {
    menus.setUpStatusItem();
    menus.applyHotkeys();
    sync = {SyncStatus::Kind::idle};
    syncLine = "Synced 5m ago";
    emit menus.statusItem()->menu().aboutToShow();
    QAction* line = menus.statusItem()->item(StatusItem::syncLine);
    EXPECT_EQ(line->text(), QStringLiteral("Synced 5m ago"));
    EXPECT_TRUE(line->isVisible());
    EXPECT_FALSE(menus.statusItem()->item(StatusItem::signIn)->isVisible());
}

TEST_F(ShellMenusTest, KeyNamesWithAnAmpersandShowInTheStatusMenu) {
    // The "1" key of a French layout types "&", which a menu would take for a mnemonic.
    KeyNames::setLayoutNamer([](std::uint16_t code) -> std::optional<std::string> {
        if (code == 18)
            return "&";
        return std::nullopt;
    });
    preferences->setBinding(PreferenceKey::regionHotkey,
                            HotkeyBinding{18, ModifierSet::option | ModifierSet::shift, 1});
    menus.setUpStatusItem();
    menus.applyHotkeys();
    KeyNames::setLayoutNamer({});
    EXPECT_EQ(menus.statusItem()->item(StatusItem::captureRegion)->iconText(),
              QStringLiteral("Capture Region  Alt+Shift+&"));
    EXPECT_EQ(menus.statusItem()->item(StatusItem::newIssue)->iconText(),
              QStringLiteral("New Issue Without Screenshot"));
}

} // namespace
