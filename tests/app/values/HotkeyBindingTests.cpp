#include "values/HotkeyBinding.h"

#include <gtest/gtest.h>

#include <unordered_set>

using namespace tavro;

namespace {

constexpr ModifierSet command = ModifierSet::command;
constexpr ModifierSet option = ModifierSet::option;
constexpr ModifierSet control = ModifierSet::control;
constexpr ModifierSet shift = ModifierSet::shift;
constexpr ModifierSet fn = ModifierSet::function;

struct TextCase {
    HotkeyBinding binding;
    const char* display;
    const char* explanation;
    std::optional<std::string> warning;
};

} // namespace

TEST(HotkeyBinding, TextsOfEveryKind) {
    const TextCase cases[] = {
        {{19, option | shift, 1}, "Alt+Shift+2", "Press Alt+Shift+2", std::nullopt},
        {{19, option | shift, 2},
         "Alt+Shift+2 Alt+Shift+2",
         "Press Alt+Shift+2 twice quickly",
         std::nullopt},
        {{19, option | shift, 3},
         "Alt+Shift+2 Alt+Shift+2 Alt+Shift+2",
         "Press Alt+Shift+2 three times quickly",
         std::nullopt},
        {{19, option | shift, 7}, "Alt+Shift+2", "Press Alt+Shift+2", std::nullopt},
        {{std::nullopt, option, 2}, "Alt Alt", "Tap Alt twice quickly", std::nullopt},
        {{std::nullopt, option, 1}, "Alt", "Tap Alt", "Fires every time you tap Alt on its own."},
        {{std::nullopt, command, 3},
         "Super Super Super",
         "Tap Super three times quickly",
         std::nullopt},
        {{std::nullopt, control | option, 2}, "Ctrl+Alt Ctrl+Alt", "Not set", std::nullopt},
        {{std::nullopt, control | option, 1},
         "Ctrl+Alt",
         "Not set",
         "Fires every time you tap that key on its own."},
        {{std::nullopt, {}, 1}, "", "Not set", "Fires every time you tap that key on its own."},
        {{std::nullopt, {}, 2}, "", "Not set", std::nullopt},
        {{std::nullopt, fn, 0}, "", "Tap Fn twice quickly", std::nullopt},
        {{std::nullopt, shift, -5}, "Shift", "Tap Shift twice quickly", std::nullopt},
        {{std::nullopt, shift, 1'000'000'000'000},
         "Shift Shift Shift",
         "Tap Shift twice quickly",
         std::nullopt},
        {{49, {}, 1},
         "Space",
         "Press Space",
         "Fires every time you press Space — including while typing."},
        {{49, {}, 2}, "Space Space", "Press Space twice quickly", std::nullopt},
        {{122, {}, 1}, "F1", "Press F1", std::nullopt},
        {{0, control | option | shift | command | fn, 1},
         "Super+Ctrl+Alt+Shift+Fn+A",
         "Press Super+Ctrl+Alt+Shift+Fn+A",
         std::nullopt},
        {{1, command | shift, 1}, "Super+Shift+S", "Press Super+Shift+S", std::nullopt},
        {{10, {}, 1},
         "Key 10",
         "Press Key 10",
         "Fires every time you press Key 10 — including while typing."},
        {{36, control, 1}, "Ctrl+↩", "Press Ctrl+↩", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.binding.toJSON());
        EXPECT_EQ(c.binding.displayString(), c.display);
        EXPECT_EQ(c.binding.explanation(), c.explanation);
        EXPECT_EQ(c.binding.warning(), c.warning);
    }
}

TEST(HotkeyBinding, KeyNamesComeFromTheTablesThenTheCode) {
    const std::pair<std::uint16_t, const char*> cases[] = {
        {36, "↩"},
        {48, "⇥"},
        {51, "⌫"},
        {117, "⌦"},
        {53, "⎋"},
        {123, "←"},
        {90, "F20"},
        {64, "F17"},
        {0, "A"},
        {19, "2"},
        {20, "3"},
        {50, "`"},
        {42, "\\"},
        {83, "1"},
        {56, "Key 56"},
        {255, "Key 255"},
        {65535, "Key 65535"},
    };
    for (const auto& [code, name] : cases)
        EXPECT_EQ(HotkeyBinding::keyName(code), name) << code;
    int functionKeys = 0;
    for (int code = 0; code <= 0xFFFF; ++code)
        functionKeys += HotkeyBinding::isFunctionKey(static_cast<std::uint16_t>(code));
    EXPECT_EQ(functionKeys, 20);
}

TEST(HotkeyBinding, JSONRoundTripsAndRejectsWhatIsNotABinding) {
    EXPECT_EQ(HotkeyBinding::defaultRegion().toJSON(),
              R"({"keyCode":19,"modifiers":10,"tapCount":1})");
    EXPECT_EQ((HotkeyBinding{std::nullopt, option, 2}).toJSON(), R"({"modifiers":2,"tapCount":2})");

    const std::pair<const char*, std::optional<HotkeyBinding>> cases[] = {
        {R"({"keyCode":19,"modifiers":10,"tapCount":1})", HotkeyBinding::defaultRegion()},
        {R"({"tapCount":1,"modifiers":10,"keyCode":20,"extra":"x"})",
         HotkeyBinding::defaultFullScreen()},
        {R"({"keyCode":null,"modifiers":2,"tapCount":3})", HotkeyBinding{std::nullopt, option, 3}},
        {R"({"modifiers":2,"tapCount":-4})", HotkeyBinding{std::nullopt, option, -4}},
        {R"({"keyCode":65535,"modifiers":64,"tapCount":1})", HotkeyBinding{65535, {64}, 1}},
        {R"({"keyCode":19,"modifiers":10})", std::nullopt},
        {R"({"keyCode":19,"tapCount":1})", std::nullopt},
        {R"({"keyCode":65536,"modifiers":10,"tapCount":1})", std::nullopt},
        {R"({"keyCode":-1,"modifiers":10,"tapCount":1})", std::nullopt},
        {R"({"keyCode":"19","modifiers":10,"tapCount":1})", std::nullopt},
        {R"({"keyCode":19.5,"modifiers":10,"tapCount":1})", std::nullopt},
        {R"({"modifiers":-2,"tapCount":1})", std::nullopt},
        {R"({"modifiers":2,"tapCount":true})", std::nullopt},
        {R"({"modifiers":2,"tapCount":null})", std::nullopt},
        {R"({"modifiers":2,"tapCount":9223372036854775808})", std::nullopt},
        {R"({"KeyCode":19,"modifiers":2,"tapCount":1})", HotkeyBinding{std::nullopt, option, 1}},
        {R"([19,10,1])", std::nullopt},
        {"", std::nullopt},
        {"{\"modifiers\":2,\"tapCount\":1", std::nullopt},
    };
    for (const auto& [json, expected] : cases)
        EXPECT_EQ(HotkeyBinding::fromJSON(json), expected) << json;

    for (const auto& binding : {HotkeyBinding::defaultRegion(), HotkeyBinding{std::nullopt, fn, 3},
                                HotkeyBinding{0, ModifierSet{std::uint64_t(1) << 40}, 2}})
        EXPECT_EQ(HotkeyBinding::fromJSON(binding.toJSON()), binding);
}

TEST(HotkeyBinding, EqualityAndHashingSeeEveryField) {
    const HotkeyBinding a{19, option | shift, 1};
    std::unordered_set<HotkeyBinding> set{a, HotkeyBinding{19, option | shift, 1}};
    EXPECT_EQ(set.size(), 1u);
    for (const auto& other :
         {HotkeyBinding{20, option | shift, 1}, HotkeyBinding{19, option, 1},
          HotkeyBinding{19, option | shift, 2}, HotkeyBinding{std::nullopt, option | shift, 1}}) {
        EXPECT_NE(a, other);
        set.insert(other);
    }
    EXPECT_EQ(set.size(), 5u);
}

TEST(ModifierSet, FlagsAndNames) {
    EXPECT_EQ((command | option | control | shift).hotkeyMask(), 0x1B00u);
    EXPECT_EQ((command | option | control | shift | fn).hotkeyMask(), 0x1B00u);
    EXPECT_EQ(ModifierSet::fromKeyEventFlags(0x100000 | 0x20000 | 0x10000 | 0x2000000 | 0xFF),
              command | shift);
    EXPECT_EQ(ModifierSet::fromKeyEventFlags(0x800000 | 0x40000 | 0x80000), fn | control | option);

    EXPECT_EQ(ModifierSet{}.name(), "");
    EXPECT_EQ((command | shift).name(), "Super+Shift");
    EXPECT_EQ((shift | option | control | command).name(), "Super+Ctrl+Alt+Shift");

    const std::pair<ModifierSet, const char*> singles[] = {
        {command, "Super"}, {option, "Alt"}, {control, "Ctrl"}, {shift, "Shift"}, {fn, "Fn"}};
    for (const auto& [set, name] : singles) {
        EXPECT_EQ(set.singleModifier(), set);
        EXPECT_EQ(set.name(), name);
        EXPECT_EQ((set | ModifierSet{64}).singleModifier(), set);
    }
    EXPECT_EQ(ModifierSet{}.singleModifier(), std::nullopt);
    EXPECT_EQ((option | shift).singleModifier(), std::nullopt);
    EXPECT_EQ(ModifierSet{64}.singleModifier(), std::nullopt);
}
