#include "capture/HotkeyRecorderModel.h"

namespace tavro {

HotkeyRecorderModel::HotkeyRecorderModel(QObject* parent)
    : HotkeyRecorderModel(std::make_unique<QtRestartableTimer>(commitDelay), parent) {}

HotkeyRecorderModel::HotkeyRecorderModel(std::unique_ptr<RestartableTimer> commitTimer,
                                         QObject* parent)
    : QObject(parent)
    , commitTimer_(std::move(commitTimer)) {}

void HotkeyRecorderModel::start(ModifierSet held) {
    if (recording_)
        return;
    recording_ = true;
    draft_.reset();
    problem_.reset();
    warning_.reset();
    lastCombo_.reset();
    comboTapCount_ = 0;
    modifierTapCount_ = 0;
    pendingModifier_.reset();
    commitOnRelease_ = false;
    heldKeys_.clear();
    previousFlags_ = ModifierSet{held.rawValue & allModifiers};
    emit changed();
}

void HotkeyRecorderModel::cancel() {
    commitTimer_->stop();
    commitOnRelease_ = false;
    recording_ = false;
    draft_.reset();
    problem_.reset();
    warning_.reset();
    emit changed();
}

void HotkeyRecorderModel::keyDown(std::uint16_t keyCode, ModifierSet modifiers, double now) {
    if (!recording_)
        return;
    modifiers.rawValue &= allModifiers;
    if (keyCode == escapeKeyCode && modifiers.isEmpty()) {
        cancel();
        return;
    }
    modifierTapCount_ = 0;
    pendingModifier_.reset();
    heldKeys_.insert(keyCode);

    const std::pair combo{keyCode, modifiers};
    if (lastCombo_ == combo && now - lastComboAt_ <= sequenceGap &&
        comboTapCount_ <= maximumCount - 1)
        ++comboTapCount_;
    else
        comboTapCount_ = 1;
    lastCombo_ = combo;
    lastComboAt_ = now;
    propose({keyCode, modifiers, comboTapCount_});
}

void HotkeyRecorderModel::flagsChanged(ModifierSet flags, double now) {
    if (!recording_)
        return;
    flags.rawValue &= allModifiers;
    for (ModifierSet modifier : modifierOrder) {
        const bool down = flags.contains(modifier);
        if (down == previousFlags_.contains(modifier))
            continue;
        if (down) {
            const ModifierSet others{flags.rawValue & ~modifier.rawValue};
            if (!others.isEmpty()) {
                pendingModifier_.reset();
                modifierTapCount_ = 0;
            } else {
                pendingModifier_ = modifier;
                modifierDownAt_ = now;
            }
            continue;
        }
        if (pendingModifier_ == modifier && now - modifierDownAt_ <= tapHoldLimit) {
            int count = modifierTapCount_;
            if (count >= 1 && now - lastModifierTapAt_ > sequenceGap)
                count = 0;
            count = std::min(count + 1, maximumCount);
            modifierTapCount_ = count;
            lastModifierTapAt_ = now;
            pendingModifier_.reset();
            propose({std::nullopt, modifier, count});
        } else {
            pendingModifier_.reset();
        }
    }
    previousFlags_ = flags;
    commitIfReleased();
}

void HotkeyRecorderModel::keyUp(std::uint16_t keyCode) {
    if (!recording_)
        return;
    heldKeys_.erase(keyCode);
    commitIfReleased();
}

void HotkeyRecorderModel::commitIfReleased() {
    if (commitOnRelease_ && !keysHeld()) {
        commitOnRelease_ = false;
        commit();
    }
}

std::optional<std::string> HotkeyRecorderModel::problemOf(const HotkeyBinding& binding) {
    if (binding.keyCode)
        return std::nullopt;
    if (binding.modifiers.isEmpty())
        return "Press a key, or tap a modifier.";
    if (!binding.modifiers.singleModifier())
        return "A tap trigger uses one modifier on its own — hold nothing else.";
    return std::nullopt;
}

void HotkeyRecorderModel::propose(const HotkeyBinding& binding) {
    draft_ = binding;
    problem_ = problemOf(binding);
    warning_ = binding.warning();
    commitOnRelease_ = false;
    commitTimer_->start([this] { commit(); });
    emit changed();
}

void HotkeyRecorderModel::commit() {
    if (!draft_)
        return;
    if (auto problem = problemOf(*draft_)) {
        problem_ = problem;
        emit changed();
        return;
    }
    if (keysHeld()) {
        commitOnRelease_ = true;
        return;
    }
    commitTimer_->stop();
    recording_ = false;
    const HotkeyBinding committed = *draft_;
    draft_.reset();
    if (onCommit)
        onCommit(committed);
    emit changed();
}

} // namespace tavro
