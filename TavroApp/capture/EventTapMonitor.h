#pragma once

#include "capture/TapRecognizer.h"
#include "desktop/KeyEventSource.h"
#include "values/HotkeyBinding.h"

#include <QObject>

#include <functional>
#include <vector>

namespace tavro {

class PermissionProbe;

// Watches every key of the session for tap triggers and repeated combinations, and runs the
// matching trigger's action on the main thread after the key event has been handled.
class EventTapMonitor final : public QObject, private KeyEventSource::Sink {
    Q_OBJECT

public:
    struct Trigger {
        HotkeyBinding binding;
        std::function<void()> action;
    };

    EventTapMonitor(KeyEventSource& source, const PermissionProbe& access,
                    QObject* parent = nullptr);
    ~EventTapMonitor() override;
    EventTapMonitor(const EventTapMonitor&) = delete;
    EventTapMonitor& operator=(const EventTapMonitor&) = delete;

    // Replaces the triggers and resets the recognisers; does not start or stop the source.
    void setTriggers(std::vector<Trigger> triggers);
    const std::vector<Trigger>& triggers() const { return triggers_; }

    // True when the source runs afterwards; false without the permission to read keys or when
    // the source refuses.
    bool start();
    void stop();
    bool isRunning() const { return source_.isRunning(); }

private:
    bool keyDown(std::uint16_t keyCode, ModifierSet modifiers, double time) override;
    void flagsChanged(ModifierSet flags, double time) override;
    void fire(size_t index);

    KeyEventSource& source_;
    const PermissionProbe& access_;
    std::vector<Trigger> triggers_;
    TapRecognizer recognizer_;
};

} // namespace tavro
