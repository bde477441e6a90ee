#pragma once

#include "capture/EventTapMonitor.h"
#include "desktop/HotkeyRegistrar.h"
#include "values/HotkeyBinding.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <set>

namespace tavro {

class PermissionProbe;

// Arms the two capture shortcuts: a single combination as a registered hot key, a tap trigger or
// a repeated combination through the key-event monitor. Records the shortcuts another client
// already holds, and waits (polling) for the permission to read keys when a trigger needs it.
class HotkeyManager final : public QObject {
    Q_OBJECT

public:
    enum class Action { region, fullScreen };

    static constexpr int permissionPollInterval = 1500; // ms

    HotkeyManager(HotkeyRegistrar& registrar, KeyEventSource& keys, const PermissionProbe& access,
                  QObject* parent = nullptr);
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;

    // Keeps the binding and handler of `action`, replacing earlier ones, and re-arms everything.
    void registerHotkey(const HotkeyBinding& binding, Action action, std::function<void()> handler);
    void apply();
    void startPollingForPermission();

    bool isBlockedOnAccessibility() const { return blockedOnAccessibility_; }
    const std::set<Action>& conflicts() const { return conflicts_; }
    bool isPolling() const { return permissionPoll_.isActive(); }
    const EventTapMonitor& eventTap() const { return eventTap_; }
    bool isRegistered(Action action) const { return registered_.count(action) > 0; }

signals:
    void conflictsChanged();
    void blockedOnAccessibilityChanged(bool blocked);

private:
    void setConflicts(std::set<Action> conflicts);
    void setBlocked(bool blocked);
    std::function<void()> wrapped(Action action);

    HotkeyRegistrar& registrar_;
    const PermissionProbe& access_;
    EventTapMonitor eventTap_;
    std::map<Action, std::function<void()>> handlers_;
    std::map<Action, HotkeyBinding> bindings_;
    std::map<Action, std::unique_ptr<RegisteredHotkey>> registered_;
    std::set<Action> conflicts_;
    bool blockedOnAccessibility_ = false;
    QTimer permissionPoll_;
};

} // namespace tavro
