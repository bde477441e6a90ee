#include "capture/HotkeyManager.h"

#include "desktop/PermissionProbe.h"

#include <QPointer>

namespace tavro {

namespace {

bool isSet(const HotkeyBinding& binding) {
    return binding.keyCode || binding.modifiers.singleModifier();
}

} // namespace

HotkeyManager::HotkeyManager(HotkeyRegistrar& registrar, KeyEventSource& keys,
                             const PermissionProbe& access, QObject* parent)
    : QObject(parent)
    , registrar_(registrar)
    , access_(access)
    , eventTap_(keys, access, this) {
    permissionPoll_.setInterval(permissionPollInterval);
    connect(&permissionPoll_, &QTimer::timeout, this, [this] {
        if (access_.accessibilityTrusted())
            apply();
    });
}

void HotkeyManager::registerHotkey(const HotkeyBinding& binding, Action action,
                                   std::function<void()> handler) {
    bindings_[action] = binding;
    handlers_[action] = std::move(handler);
    apply();
}

std::function<void()> HotkeyManager::wrapped(Action action) {
    return [self = QPointer<HotkeyManager>(this), action] {
        if (!self)
            return;
        auto it = self->handlers_.find(action);
        if (it != self->handlers_.end() && it->second)
            it->second();
    };
}

void HotkeyManager::apply() {
    registered_.clear();
    std::set<Action> conflicts;
    std::vector<EventTapMonitor::Trigger> triggers;

    for (const auto& [action, binding] : bindings_) {
        if (!isSet(binding))
            continue;
        auto handler = handlers_.find(action);
        if (handler == handlers_.end() || !handler->second)
            continue;
        if (binding.keyCode && binding.tapCount < 2) {
            if (auto hotkey =
                    registrar_.registerHotkey(*binding.keyCode, binding.modifiers, wrapped(action)))
                registered_[action] = std::move(hotkey);
            else
                conflicts.insert(action);
            continue;
        }
        triggers.push_back({binding, wrapped(action)});
    }

    setConflicts(std::move(conflicts));
    const bool needsTap = !triggers.empty();
    eventTap_.setTriggers(std::move(triggers));
    if (needsTap) {
        if (!eventTap_.start()) {
            setBlocked(true);
            startPollingForPermission();
            return;
        }
    } else {
        eventTap_.stop();
    }
    setBlocked(false);
    permissionPoll_.stop();
}

void HotkeyManager::startPollingForPermission() {
    if (!permissionPoll_.isActive())
        permissionPoll_.start();
}

void HotkeyManager::setConflicts(std::set<Action> conflicts) {
    conflicts_ = std::move(conflicts);
    emit conflictsChanged();
}

void HotkeyManager::setBlocked(bool blocked) {
    blockedOnAccessibility_ = blocked;
    emit blockedOnAccessibilityChanged(blocked);
}

} // namespace tavro
