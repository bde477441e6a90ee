#include "capture/HotkeyManager.h"

#include "desktop/PermissionProbe.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <set>

using namespace tavro;
using Action = HotkeyManager::Action;

namespace {

// A desktop whose grabs and key events the test plays: combinations listed in `taken` belong to
// another client.
class FakeRegistrar final : public HotkeyRegistrar {
public:
    struct Held final : RegisteredHotkey {
        Held(FakeRegistrar& owner, std::uint16_t code)
            : owner(owner)
            , code(code) {}
        ~Held() override { owner.live.erase(code); }
        FakeRegistrar& owner;
        std::uint16_t code;
    };

    std::unique_ptr<RegisteredHotkey> registerHotkey(std::uint16_t keyCode, ModifierSet,
                                                     std::function<void()> handler) override {
        ++registrations;
        if (taken.count(keyCode))
            return nullptr;
        live[keyCode] = std::move(handler);
        return std::make_unique<Held>(*this, keyCode);
    }

    void press(std::uint16_t keyCode) {
        if (auto it = live.find(keyCode); it != live.end())
            it->second();
    }

    std::set<std::uint16_t> taken;
    std::map<std::uint16_t, std::function<void()>> live;
    int registrations = 0;
};

class FakeKeys final : public KeyEventSource {
public:
    bool start(Sink& s) override {
        sink = &s;
        return true;
    }
    void stop() override { sink = nullptr; }
    bool isRunning() const override { return sink != nullptr; }

    Sink* sink = nullptr;
};

class FakeAccess final : public PermissionProbe {
public:
    bool screenRecordingGranted() const override { return true; }
    bool accessibilityTrusted() const override { return trusted; }
    bool requestScreenRecording() override { return true; }
    void requestAccessibility() override {}
    void openSettingsPane(PermissionPane) override {}

    bool trusted = true;
};

const ModifierSet altShift = ModifierSet::option | ModifierSet::shift;
const HotkeyBinding optionDoubleTap{std::nullopt, ModifierSet::option, 2};

class HotkeyManagerTest : public ::testing::Test {
protected:
    void armDefaults() {
        manager.registerHotkey(HotkeyBinding::defaultRegion(), Action::region,
                               [this] { ++region; });
        manager.registerHotkey(HotkeyBinding::defaultFullScreen(), Action::fullScreen,
                               [this] { ++fullScreen; });
    }

    FakeRegistrar registrar;
    FakeKeys keys;
    FakeAccess access;
    HotkeyManager manager{registrar, keys, access};
    int region = 0;
    int fullScreen = 0;
};

TEST_F(HotkeyManagerTest, DefaultsAreTwoRegistrationsAndNoTap) {
    armDefaults();
    EXPECT_EQ(registrar.live.size(), 2u);
    EXPECT_FALSE(keys.isRunning());
    EXPECT_FALSE(manager.isBlockedOnAccessibility());
    EXPECT_TRUE(manager.conflicts().empty());

    registrar.press(19);
    registrar.press(20);
    EXPECT_EQ(region, 1);
    EXPECT_EQ(fullScreen, 1);
}

TEST_F(HotkeyManagerTest, TakenCombinationIsAConflictUntilTheBindingChanges) {
    registrar.taken = {19};
    armDefaults();
    EXPECT_EQ(manager.conflicts(), std::set<Action>{Action::region});
    EXPECT_TRUE(manager.isRegistered(Action::fullScreen));
    EXPECT_FALSE(keys.isRunning()) << "a refused combination does not move to the key tap";

    manager.registerHotkey(HotkeyBinding{21, altShift, 1}, Action::region, [] {});
    EXPECT_TRUE(manager.conflicts().empty());
    EXPECT_TRUE(manager.isRegistered(Action::region));
}

TEST_F(HotkeyManagerTest, TapTriggerWithoutPermissionBlocksAndPollsUntilGranted) {
    access.trusted = false;
    QSignalSpy blocked(&manager, &HotkeyManager::blockedOnAccessibilityChanged);
    manager.registerHotkey(optionDoubleTap, Action::region, [this] { ++region; });
    manager.registerHotkey(HotkeyBinding::defaultFullScreen(), Action::fullScreen, [] {});
    EXPECT_TRUE(manager.isBlockedOnAccessibility());
    EXPECT_TRUE(manager.isPolling());
    EXPECT_TRUE(manager.isRegistered(Action::fullScreen)) << "the other shortcut works meanwhile";

    access.trusted = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !manager.isBlockedOnAccessibility(); }, 2500));
    EXPECT_FALSE(manager.isPolling());
    EXPECT_TRUE(keys.isRunning());
    ASSERT_EQ(manager.eventTap().triggers().size(), 1u);
    EXPECT_EQ(manager.eventTap().triggers()[0].binding, optionDoubleTap);

    // Two taps of option through the source fire the region shortcut.
    for (double at : {10.0, 10.3}) {
        keys.sink->flagsChanged(ModifierSet::option, at);
        keys.sink->flagsChanged({}, at + 0.05);
    }
    (void)QTest::qWaitFor([&] { return region == 1; }, 2000);
    EXPECT_EQ(region, 1);
}

TEST_F(HotkeyManagerTest, BackToASingleCombinationStopsTheTapAndThePoll) {
    access.trusted = false;
    manager.registerHotkey(HotkeyBinding{19, altShift, 2}, Action::region, [] {});
    EXPECT_TRUE(manager.isBlockedOnAccessibility());
    EXPECT_FALSE(manager.isRegistered(Action::region)) << "a repeated press is not registered";

    manager.registerHotkey(HotkeyBinding::defaultRegion(), Action::region, [] {});
    EXPECT_FALSE(manager.isBlockedOnAccessibility());
    EXPECT_FALSE(manager.isPolling());
    EXPECT_FALSE(keys.isRunning());
    EXPECT_TRUE(manager.eventTap().triggers().empty());
}

TEST_F(HotkeyManagerTest, BindingsThatAreNotSetOrHaveNoHandlerStayUnarmed) {
    manager.registerHotkey(
        HotkeyBinding{std::nullopt, ModifierSet::control | ModifierSet::option, 1}, Action::region,
        [] {});
    manager.registerHotkey(HotkeyBinding::defaultFullScreen(), Action::fullScreen, nullptr);
    EXPECT_TRUE(registrar.live.empty());
    EXPECT_TRUE(manager.conflicts().empty());
    EXPECT_TRUE(manager.eventTap().triggers().empty());
    EXPECT_FALSE(manager.isBlockedOnAccessibility());
}

TEST_F(HotkeyManagerTest, RegisteringAnEqualBindingStillReArmsEverything) {
    armDefaults();
    const int before = registrar.registrations;
    manager.registerHotkey(HotkeyBinding::defaultRegion(), Action::region, [] {});
    EXPECT_EQ(registrar.registrations, before + 2);
    EXPECT_EQ(registrar.live.size(), 2u);
}

TEST_F(HotkeyManagerTest, AHandlerQueuedBeforeTheManagerGoesRunsNothing) {
    auto owned = std::make_unique<HotkeyManager>(registrar, keys, access);
    owned->registerHotkey(HotkeyBinding::defaultRegion(), Action::region, [this] { ++region; });
    auto handler = registrar.live.at(19);
    owned.reset();
    handler();
    // Whatever the handler queued has run.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(region, 0);
}

} // namespace
