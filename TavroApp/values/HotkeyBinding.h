#pragma once

#include "values/ModifierSet.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// One global shortcut: a key with modifiers pressed one to three times, or a single modifier
// tapped on its own one to three times. Without a key code and with other than exactly one
// modifier it is "not set".
struct HotkeyBinding {
    std::optional<std::uint16_t> keyCode;
    ModifierSet modifiers;
    std::int64_t tapCount = 1;

    bool operator==(const HotkeyBinding&) const = default;

    static HotkeyBinding defaultRegion();     // ⌥⇧2
    static HotkeyBinding defaultFullScreen(); // ⌥⇧3

    static std::string keyName(std::uint16_t keyCode);
    static std::optional<std::string> characterName(std::uint16_t keyCode);
    static bool isFunctionKey(std::uint16_t keyCode);

    std::string displayString() const;
    std::string explanation() const;
    std::optional<std::string> warning() const;

    // {"keyCode":19,"modifiers":10,"tapCount":1}; "keyCode" only when there is one.
    std::string toJSON() const;
    // Nothing for text that is not a binding's JSON: a missing or mistyped "modifiers" or
    // "tapCount", or a "keyCode" outside 0...65535.
    static std::optional<HotkeyBinding> fromJSON(std::string_view json);
};

} // namespace tavro

template <> struct std::hash<tavro::HotkeyBinding> {
    size_t operator()(const tavro::HotkeyBinding& binding) const noexcept;
};
