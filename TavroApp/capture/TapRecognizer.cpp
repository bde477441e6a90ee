#include "capture/TapRecognizer.h"

namespace tavro {

namespace {

std::string comboKey(std::uint16_t keyCode, ModifierSet modifiers) {
    return std::to_string(keyCode) + "-" + std::to_string(modifiers.rawValue);
}

} // namespace

void TapRecognizer::setBindings(std::vector<HotkeyBinding> bindings) {
    bindings_ = std::move(bindings);
    reset();
}

void TapRecognizer::reset() {
    pendingModifier_.reset();
    modifierTapCount_ = 0;
    keyPressedDuringHold_ = false;
    comboTapCounts_.clear();
}

void TapRecognizer::clearPending() {
    pendingModifier_.reset();
    modifierTapCount_ = 0;
}

std::optional<size_t> TapRecognizer::flagsChanged(ModifierSet flags, double now) {
    flags.rawValue &= allModifiers;
    std::optional<size_t> fired;
    for (ModifierSet modifier : modifierOrder) {
        const bool down = flags.contains(modifier);
        const bool wasDown = previousFlags_.contains(modifier);
        if (down == wasDown)
            continue;
        if (down) {
            const ModifierSet others{flags.rawValue & ~modifier.rawValue};
            if (!others.isEmpty()) {
                clearPending();
            } else {
                pendingModifier_ = modifier;
                keyPressedDuringHold_ = false;
                modifierPressedAt_ = now;
            }
            continue;
        }
        if (pendingModifier_ != modifier || keyPressedDuringHold_ ||
            now - modifierPressedAt_ > tapHoldLimit) {
            clearPending();
            continue;
        }
        if (auto index = tapped(modifier, now); index && !fired)
            fired = index;
    }
    previousFlags_ = flags;
    return fired;
}

std::optional<size_t> TapRecognizer::tapped(ModifierSet modifier, double now) {
    int count = modifierTapCount_;
    if (count >= 1 && now - lastModifierTapAt_ > sequenceGap)
        count = 0;
    ++count;
    modifierTapCount_ = count;
    lastModifierTapAt_ = now;
    pendingModifier_.reset();

    for (size_t i = 0; i < bindings_.size(); ++i) {
        const HotkeyBinding& binding = bindings_[i];
        if (!binding.keyCode && binding.modifiers.singleModifier() == modifier &&
            binding.tapCount == count) {
            modifierTapCount_ = 0;
            return i;
        }
    }
    return std::nullopt;
}

TapRecognizer::KeyDownResult TapRecognizer::keyDown(std::uint16_t keyCode, ModifierSet modifiers,
                                                    double now) {
    pendingModifier_.reset();
    keyPressedDuringHold_ = true;
    modifierTapCount_ = 0;

    modifiers.rawValue &= allModifiers;
    size_t index = 0;
    for (; index < bindings_.size(); ++index) {
        const HotkeyBinding& binding = bindings_[index];
        if (binding.keyCode == keyCode && binding.modifiers == modifiers)
            break;
    }
    if (index == bindings_.size())
        return {};

    PressCount& presses = comboTapCounts_[comboKey(keyCode, modifiers)];
    int count = presses.count;
    if (count >= 1 && now - presses.lastAt > sequenceGap)
        count = 0;
    ++count;
    if (count >= bindings_[index].tapCount) {
        presses = {};
        return {true, index};
    }
    presses = {count, now};
    return {true, std::nullopt};
}

} // namespace tavro
