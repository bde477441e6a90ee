#pragma once

#include "values/HotkeyBinding.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavro {

// Recognises the shortcuts a registered hot key cannot express, from a stream of key-downs and
// modifier changes: a single modifier tapped on its own one to three times, and a combination
// pressed two or three times in quick succession. Times are seconds on any monotonic clock.
// Auto-repeated key-downs must not be fed: the caller tells them apart.
class TapRecognizer {
public:
    static constexpr double tapHoldLimit = 0.3;
    static constexpr double sequenceGap = 0.4;

    struct KeyDownResult {
        bool claimed = false;       // the key belongs to an armed combination
        std::optional<size_t> fire; // index of the binding that completed
    };

    // Replaces the armed bindings (first match wins) and resets the recognisers; the modifier
    // state seen last is kept.
    void setBindings(std::vector<HotkeyBinding> bindings);
    const std::vector<HotkeyBinding>& bindings() const { return bindings_; }
    void reset();

    // The modifiers now held, after a modifier key went down or up.
    std::optional<size_t> flagsChanged(ModifierSet flags, double now);
    // A fresh press of a key that is not a modifier, with the modifiers held.
    KeyDownResult keyDown(std::uint16_t keyCode, ModifierSet modifiers, double now);

    int modifierTapCount() const { return modifierTapCount_; }

private:
    struct PressCount {
        int count = 0;
        double lastAt = 0;
    };

    void clearPending();
    std::optional<size_t> tapped(ModifierSet modifier, double now);

    std::vector<HotkeyBinding> bindings_;
    ModifierSet previousFlags_;
    double modifierPressedAt_ = 0;
    std::optional<ModifierSet> pendingModifier_;
    bool keyPressedDuringHold_ = false;
    int modifierTapCount_ = 0;
    double lastModifierTapAt_ = 0;
    std::map<std::string, PressCount> comboTapCounts_;
};

} // namespace tavro
