#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tavro {

// The modifiers of a global shortcut as the stored JSON keeps them. Bits beyond the five members
// survive a round trip but take no part in any text or flag word.
struct ModifierSet {
    std::uint64_t rawValue = 0;

    static const ModifierSet command;
    static const ModifierSet option;
    static const ModifierSet control;
    static const ModifierSet shift;
    static const ModifierSet function;

    // From a key-event flag word; caps lock, numeric pad and device bits are ignored.
    static ModifierSet fromKeyEventFlags(std::uint64_t flags);

    constexpr bool contains(ModifierSet other) const {
        return other.rawValue != 0 && (rawValue & other.rawValue) == other.rawValue;
    }
    constexpr bool isEmpty() const { return rawValue == 0; }
    constexpr ModifierSet operator|(ModifierSet other) const { return {rawValue | other.rawValue}; }

    // The modifier mask of a registered hot key; fn has none.
    std::uint32_t hotkeyMask() const;
    // The one member present, when exactly one of the five is.
    std::optional<ModifierSet> singleModifier() const;
    // The members present by their Linux key names, in the desktop's order and joined by "+":
    // "Super+Ctrl+Alt+Shift+Fn"; "Alt" for option alone.
    std::string name() const;

    bool operator==(const ModifierSet&) const = default;
};

inline constexpr ModifierSet ModifierSet::command{1};
inline constexpr ModifierSet ModifierSet::option{2};
inline constexpr ModifierSet ModifierSet::control{4};
inline constexpr ModifierSet ModifierSet::shift{8};
inline constexpr ModifierSet ModifierSet::function{16};

// The five members, in the order key events are scanned for a single held modifier.
inline constexpr std::array<ModifierSet, 5> modifierOrder{ModifierSet::command, ModifierSet::option,
                                                          ModifierSet::control, ModifierSet::shift,
                                                          ModifierSet::function};
// Every bit of the five members.
inline constexpr std::uint64_t allModifiers = 0x1F;

} // namespace tavro
