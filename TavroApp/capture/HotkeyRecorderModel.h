#pragma once

#include "values/HotkeyBinding.h"
#include "values/RestartableTimer.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace tavro {

// What the shortcut recorder has seen: a combination pressed one to three times, or a modifier
// tapped on its own one to three times. 550 ms after the last press or tap, and once every key of
// it is released, the draft is handed to `onCommit`: a binding armed while its keys are still
// held would be fired by the keyboard's auto-repeat. Escape alone cancels. Times are seconds on
// the key events' clock.
class HotkeyRecorderModel final : public QObject {
    Q_OBJECT

public:
    static constexpr double tapHoldLimit = 0.3;
    static constexpr double sequenceGap = 0.4;
    static constexpr int maximumCount = 3;
    static constexpr int commitDelay = 550; // ms
    static constexpr std::uint16_t escapeKeyCode = 53;

    explicit HotkeyRecorderModel(QObject* parent = nullptr);
    // `commitTimer` counts down the commit delay.
    explicit HotkeyRecorderModel(std::unique_ptr<RestartableTimer> commitTimer,
                                 QObject* parent = nullptr);
    HotkeyRecorderModel(const HotkeyRecorderModel&) = delete;
    HotkeyRecorderModel& operator=(const HotkeyRecorderModel&) = delete;

    bool isRecording() const { return recording_; }
    const std::optional<HotkeyBinding>& draft() const { return draft_; }
    const std::optional<std::string>& problem() const { return problem_; }
    const std::optional<std::string>& warning() const { return warning_; }
    bool commitPending() const { return commitTimer_->isActive() || commitOnRelease_; }

    // `held` is the modifiers already down: they are not seen going down.
    void start(ModifierSet held);
    void cancel();

    // A fresh key press; the recorder takes every one while recording.
    void keyDown(std::uint16_t keyCode, ModifierSet modifiers, double now);
    void keyUp(std::uint16_t keyCode);
    void flagsChanged(ModifierSet flags, double now);
    void commit();

    std::function<void(const HotkeyBinding&)> onCommit;

signals:
    void changed();

private:
    void propose(const HotkeyBinding& binding);
    bool keysHeld() const { return !heldKeys_.empty() || !previousFlags_.isEmpty(); }
    void commitIfReleased();
    static std::optional<std::string> problemOf(const HotkeyBinding& binding);

    bool recording_ = false;
    std::optional<HotkeyBinding> draft_;
    std::optional<std::string> problem_;
    std::optional<std::string> warning_;
    std::unique_ptr<RestartableTimer> commitTimer_;
    bool commitOnRelease_ = false;
    std::set<std::uint16_t> heldKeys_;

    std::optional<std::pair<std::uint16_t, ModifierSet>> lastCombo_;
    int comboTapCount_ = 0;
    double lastComboAt_ = 0;
    double modifierDownAt_ = 0;
    std::optional<ModifierSet> pendingModifier_;
    int modifierTapCount_ = 0;
    double lastModifierTapAt_ = 0;
    ModifierSet previousFlags_;
};

} // namespace tavro
