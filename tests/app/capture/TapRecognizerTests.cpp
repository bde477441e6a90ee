#include "capture/TapRecognizer.h"

#include <gtest/gtest.h>

#include <variant>

using namespace tavro;

namespace {

const ModifierSet option = ModifierSet::option;
const ModifierSet shift = ModifierSet::shift;
const ModifierSet none{};

// One input at a time: the modifiers now held, or a key press with the modifiers held.
struct Flags {
    ModifierSet held;
};
struct Key {
    std::uint16_t code;
    ModifierSet modifiers;
};
struct Step {
    double at;
    std::variant<Flags, Key> input;
};

struct Outcome {
    std::vector<size_t> fired;
    std::vector<bool> claimed;
};

Outcome run(TapRecognizer& recognizer, const std::vector<Step>& steps) {
    Outcome out;
    for (const auto& step : steps) {
        if (const auto* flags = std::get_if<Flags>(&step.input)) {
            if (auto index = recognizer.flagsChanged(flags->held, step.at))
                out.fired.push_back(*index);
        } else {
            const auto& key = std::get<Key>(step.input);
            auto result = recognizer.keyDown(key.code, key.modifiers, step.at);
            out.claimed.push_back(result.claimed);
            if (result.fire)
                out.fired.push_back(*result.fire);
        }
    }
    return out;
}

// A tap: down at `at`, up `hold` later.
std::vector<Step> tap(ModifierSet modifier, double at, double hold = 0.1) {
    return {{at, Flags{modifier}}, {at + hold, Flags{none}}};
}

std::vector<Step> join(std::initializer_list<std::vector<Step>> parts) {
    std::vector<Step> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

HotkeyBinding tapTrigger(ModifierSet modifier, int count) {
    return {std::nullopt, modifier, count};
}

struct TapCase {
    const char* name;
    std::vector<HotkeyBinding> bindings;
    std::vector<Step> steps;
    std::vector<size_t> fired;
};

class ModifierTaps : public ::testing::TestWithParam<TapCase> {};

TEST_P(ModifierTaps, FireOnTheirPattern) {
    TapRecognizer recognizer;
    recognizer.setBindings(GetParam().bindings);
    EXPECT_EQ(run(recognizer, GetParam().steps).fired, GetParam().fired);
}

INSTANTIATE_TEST_SUITE_P(
    Recogniser, ModifierTaps,
    ::testing::Values(
        TapCase{"TwoQuickTapsFireTheDoubleTap",
                {tapTrigger(option, 2)},
                join({tap(option, 0), tap(option, 0.4)}), // 0.4 s between the ends: inclusive
                {0}},
        TapCase{"OneTapIsNotADoubleTap", {tapTrigger(option, 2)}, tap(option, 0), {}},
        TapCase{"HoldLimitIsInclusive", {tapTrigger(option, 1)}, join({tap(option, 0, 0.3)}), {0}},
        TapCase{"AHoldOfMoreThanThreeTenthsIsNoTapAndClearsTheCount",
                {tapTrigger(option, 2)},
                join({tap(option, 0), tap(option, 0.3, 0.35), tap(option, 0.8)}),
                {}},
        TapCase{"GapLongerThanFourTenthsStartsAgain",
                {tapTrigger(option, 2)},
                join({tap(option, 0), tap(option, 0.55), tap(option, 0.8)}),
                {0}},
        TapCase{"AKeyDuringTheHoldIsNoTap",
                {tapTrigger(option, 2)},
                join({tap(option, 0),
                      {{0.3, Flags{option}}, {0.35, Key{0, option}}, {0.4, Flags{none}}},
                      tap(option, 0.6)}),
                {}},
        TapCase{"ASecondModifierDownIsNoTap",
                {tapTrigger(option, 1), tapTrigger(shift, 1)},
                {{0, Flags{option}},
                 {0.05, Flags{option | shift}},
                 {0.1, Flags{shift}},
                 {0.15, Flags{none}}},
                {}},
        TapCase{"TripleTapFiresOnTheThirdOnlyAndStartsAgain",
                {tapTrigger(option, 3)},
                join({tap(option, 0), tap(option, 0.3), tap(option, 0.6), tap(option, 0.9),
                      tap(option, 1.2), tap(option, 1.5)}),
                {0, 0}},
        TapCase{"DoubleTapWinsOverTripleTapOfTheSameModifier",
                {tapTrigger(option, 3), tapTrigger(option, 2)},
                join({tap(option, 0), tap(option, 0.3), tap(option, 0.6)}),
                {1}},
        TapCase{"OtherModifierTapsDoNotFire",
                {tapTrigger(ModifierSet::command, 1)},
                join({tap(option, 0), tap(ModifierSet::control, 0.3)}),
                {}},
        TapCase{"ACombinationBindingIsNoTapTrigger",
                {HotkeyBinding{19, option, 1}},
                tap(option, 0),
                {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RepeatedPresses, SecondPressWithinTheGapFiresAndEveryPressIsClaimed) {
    TapRecognizer recognizer;
    recognizer.setBindings({HotkeyBinding{19, option | shift, 2}});
    const auto out = run(recognizer, {{0, Key{19, option | shift}},
                                      {0.4, Key{19, option | shift}},
                                      {1.0, Key{19, option | shift}},
                                      {1.5, Key{19, option | shift}},
                                      {1.6, Key{19, option | shift}},
                                      {1.7, Key{19, option}},
                                      {1.8, Key{20, option | shift}}});
    // 0 and 0.4 complete a pair; 1.0 starts one, 1.5 is too late and starts again, 1.6 completes.
    EXPECT_EQ(out.fired, (std::vector<size_t>{0, 0}));
    EXPECT_EQ(out.claimed, (std::vector<bool>{true, true, true, true, true, false, false}));
}

TEST(RepeatedPresses, TripleFiresOnTheThirdAndOnlyTheFirstOfTwoEqualTriggersCounts) {
    TapRecognizer recognizer;
    recognizer.setBindings({HotkeyBinding{21, shift, 3}, HotkeyBinding{21, shift, 2}});
    const auto out = run(
        recognizer,
        {{0, Key{21, shift}}, {0.1, Key{21, shift}}, {0.2, Key{21, shift}}, {0.3, Key{21, shift}}});
    EXPECT_EQ(out.fired, (std::vector<size_t>{0}));
}

TEST(RepeatedPresses, AnyKeyEndsATapSequenceAndNewBindingsStartAfresh) {
    TapRecognizer recognizer;
    recognizer.setBindings({tapTrigger(option, 2), HotkeyBinding{19, shift, 2}});
    auto out = run(recognizer, join({tap(option, 0), {{0.2, Key{0, none}}}, tap(option, 0.3)}));
    EXPECT_TRUE(out.fired.empty());
    EXPECT_EQ(out.claimed, (std::vector<bool>{false}));

    run(recognizer, {{1, Key{19, shift}}});
    recognizer.setBindings(recognizer.bindings());
    out = run(recognizer, {{1.1, Key{19, shift}}});
    EXPECT_TRUE(out.fired.empty());
}

} // namespace
