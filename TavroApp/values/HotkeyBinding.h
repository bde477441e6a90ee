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

    static HotkeyBinding defaultRegion();     // Alt+Shift+2
    static HotkeyBinding defaultFullScreen(); // Alt+Shift+3

    static std::string keyName(std::uint16_t keyCode);
    static std::optional<std::string> characterName(std::uint16_t keyCode);
    static bool isFunctionKey(std::uint16_t keyCode);

    // "Alt+Shift+2", each press once, apart by a space; a tapped modifier alone: "Alt Alt".
    std::string displayString() const;
    std::string explanation() const;
    std::optional<std::string> warning() const;

    // {"keyCode":19,"modifiers":10,"tapCount":1}; "keyCode" only when there is one.
    std::string toJSON() const;
    // Nothing for text that is not a binding's JSON: a missing or mistyped "modifiers" or
    // "tapCount", or a "keyCode" outside 0...65535.
    static std::optional<HotkeyBinding> fromJSON(std::string_view json);

private:
    // One press: "Alt+Shift+2".
    std::string combination(std::uint16_t keyCode) const;
};

} // namespace tavro

template <> struct std::hash<tavro::HotkeyBinding> {
    size_t operator()(const tavro::HotkeyBinding& binding) const noexcept;
};
