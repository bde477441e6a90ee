#include "capture/HotkeyRecorderModel.h"

#include "FakeTimer.h"

#include <gtest/gtest.h>

using namespace tavro;

namespace {

const ModifierSet option = ModifierSet::option;
const ModifierSet altShift = ModifierSet::option | ModifierSet::shift;

class RecorderTest : public ::testing::Test {
public:
    void SetUp() override {
        model.onCommit = [this](const HotkeyBinding& binding) {
            committed.push_back(binding);
        };
        model.start({});
    }

    // A key pressed and let go at once.
    void press(std::uint16_t keyCode, ModifierSet modifiers, double at) {
        model.keyDown(keyCode, modifiers, at);
        model.keyUp(keyCode);
    }

    void tap(ModifierSet modifier, double at, double hold = 0.1) {
        model.flagsChanged(modifier, at);
        model.flagsChanged({}, at + hold);
    }

    std::unique_ptr<test::FakeTimer> ownedTimer = std::make_unique<test::FakeTimer>();
    test::FakeTimer& commitTimer = *ownedTimer;
    HotkeyRecorderModel model{std::move(ownedTimer)};
    std::vector<HotkeyBinding> committed;
};

TEST_F(RecorderTest, TwoQuickPressesCommitARepeatedCombinationAfterTheDelay) {
    press(21, altShift, 1.0);
    press(21, altShift, 1.3);
    ASSERT_TRUE(model.draft());
    EXPECT_EQ(model.draft()->displayString(), "Alt+Shift+4 Alt+Shift+4");
    EXPECT_EQ(model.draft()->explanation(), "Press Alt+Shift+4 twice quickly");
    EXPECT_TRUE(committed.empty());

    EXPECT_TRUE(commitTimer.isActive());
    commitTimer.fire();
    ASSERT_FALSE(committed.empty());
    EXPECT_EQ(committed[0].toJSON(), R"({"keyCode":21,"modifiers":10,"tapCount":2})");
    EXPECT_FALSE(model.isRecording());
    EXPECT_FALSE(model.draft());
}

TEST_F(RecorderTest, PressAndTapCountsFollowTheDesignedRules) {
    struct Case {
        const char* name;
        std::function<void(RecorderTest&)> input;
        std::optional<HotkeyBinding> draft;
    };
    const std::vector<Case> cases{
        {"fourth quick press starts again at one",
         [](RecorderTest& t) {
             for (double at : {0.0, 0.1, 0.2, 0.3})
                 t.press(21, altShift, at);
         },
         HotkeyBinding{21, altShift, 1}},
        {"a press more than 0.4 s later is a new first press",
         [](RecorderTest& t) {
             t.press(21, altShift, 0);
             t.press(21, altShift, 0.45);
         },
         HotkeyBinding{21, altShift, 1}},
        {"two taps of option",
         [](RecorderTest& t) {
             t.tap(option, 0);
             t.tap(option, 0.3);
         },
         HotkeyBinding{std::nullopt, option, 2}},
        {"four taps stay at three",
         [](RecorderTest& t) {
             for (double at : {0.0, 0.3, 0.6, 0.9})
                 t.tap(option, at);
         },
         HotkeyBinding{std::nullopt, option, 3}},
        {"a long hold proposes nothing", [](RecorderTest& t) { t.tap(option, 0, 0.5); },
         std::nullopt},
        {"a key while a modifier is held is that combination",
         [](RecorderTest& t) {
             t.model.flagsChanged(option, 0);
             t.press(0, option, 0.1);
             t.model.flagsChanged({}, 0.2);
         },
         HotkeyBinding{0, option, 1}},
        {"escape with a modifier is recorded",
         [](RecorderTest& t) { t.press(53, ModifierSet::shift, 0); },
         HotkeyBinding{53, ModifierSet::shift, 1}},
    };
    for (const auto& c : cases) {
        model.cancel();
        model.start({});
        c.input(*this);
        EXPECT_EQ(model.draft(), c.draft) << c.name;
    }
    model.cancel();
}

TEST_F(RecorderTest, EscapeAloneCancelsAndCommitsNothing) {
    press(21, altShift, 0);
    press(53, {}, 0.1);
    EXPECT_FALSE(model.isRecording());
    EXPECT_FALSE(model.draft());
    EXPECT_FALSE(model.commitPending());
    commitTimer.fire();
    EXPECT_TRUE(committed.empty());
}

TEST_F(RecorderTest, TapOfCommandWarnsAndAModifierHeldAtStartIsNotATap) {
    tap(ModifierSet::command, 0);
    ASSERT_TRUE(model.warning());
    EXPECT_EQ(*model.warning(), "Fires every time you tap Super on its own.");
    model.commit();
    ASSERT_EQ(committed.size(), 1u);
    EXPECT_EQ(committed[0], (HotkeyBinding{std::nullopt, ModifierSet::command, 1}));
    EXPECT_EQ(model.warning(), "Fires every time you tap Super on its own.")
        << "kept after the commit until the next start";

    model.start(option);
    model.flagsChanged({}, 5.0);
    EXPECT_FALSE(model.draft());
}

} // namespace

TEST(RecorderReleaseTest, ACombinationStillHeldIsCommittedOnlyOnceItsKeysAreReleased) {
    struct Case {
        const char* name;
        std::function<void(HotkeyRecorderModel&, const std::vector<HotkeyBinding>&)> release;
    };
    const std::vector<Case> cases{
        {"key first, then the modifiers",
         [](HotkeyRecorderModel& model, const std::vector<HotkeyBinding>& committed) {
             model.keyUp(21);
             EXPECT_TRUE(committed.empty()) << "the modifiers are still down";
             model.flagsChanged({}, 2.1);
         }},
        {"modifiers first, then the key",
         [](HotkeyRecorderModel& model, const std::vector<HotkeyBinding>& committed) {
             model.flagsChanged({}, 2.0);
             EXPECT_TRUE(committed.empty()) << "the key is still down";
             model.keyUp(21);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto timer = std::make_unique<test::FakeTimer>();
        test::FakeTimer& commitTimer = *timer;
        HotkeyRecorderModel model(std::move(timer));
        std::vector<HotkeyBinding> committed;
        model.onCommit = [&](const HotkeyBinding& binding) {
            committed.push_back(binding);
        };
        model.start({});
        model.flagsChanged(altShift, 1.0);
        model.keyDown(21, altShift, 1.0);
        // The delay runs out with the combination held down.
        commitTimer.fire();
        EXPECT_TRUE(committed.empty());
        EXPECT_TRUE(model.isRecording());
        EXPECT_TRUE(model.commitPending());
        c.release(model, committed);
        ASSERT_EQ(committed.size(), 1u);
        EXPECT_EQ(committed[0].toJSON(), R"({"keyCode":21,"modifiers":10,"tapCount":1})");
        EXPECT_FALSE(model.isRecording());
    }
}
