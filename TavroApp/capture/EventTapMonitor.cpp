#include "capture/EventTapMonitor.h"

#include "desktop/PermissionProbe.h"

#include <QTimer>

namespace tavro {

EventTapMonitor::EventTapMonitor(KeyEventSource& source, const PermissionProbe& access,
                                 QObject* parent)
    : QObject(parent)
    , source_(source)
    , access_(access) {}

EventTapMonitor::~EventTapMonitor() {
    source_.stop();
}

void EventTapMonitor::setTriggers(std::vector<Trigger> triggers) {
    triggers_ = std::move(triggers);
    std::vector<HotkeyBinding> bindings;
    bindings.reserve(triggers_.size());
    for (const auto& trigger : triggers_)
        bindings.push_back(trigger.binding);
    recognizer_.setBindings(std::move(bindings));
}

bool EventTapMonitor::start() {
    if (source_.isRunning())
        return true;
    if (!access_.accessibilityTrusted())
        return false;
    return source_.start(*this);
}

void EventTapMonitor::stop() {
    source_.stop();
    recognizer_.reset();
}

bool EventTapMonitor::keyDown(std::uint16_t keyCode, ModifierSet modifiers, double time) {
    const auto result = recognizer_.keyDown(keyCode, modifiers, time);
    if (result.fire)
        fire(*result.fire);
    return result.claimed;
}

void EventTapMonitor::flagsChanged(ModifierSet flags, double time) {
    if (auto index = recognizer_.flagsChanged(flags, time))
        fire(*index);
}

void EventTapMonitor::fire(size_t index) {
    if (index >= triggers_.size())
        return;
    // Never inside the source's callback: the action may well re-arm the triggers.
    QTimer::singleShot(0, this, [action = triggers_[index].action] {
        if (action)
            action();
    });
}

} // namespace tavro
