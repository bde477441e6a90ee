#pragma once

#include "desktop/HotkeyRegistrar.h"

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tavro {

class X11Keyboard;

// Registered hot keys as passive key grabs on the root window: one grab per lock variant (none,
// Caps Lock, Num Lock, both), so the shortcut fires whatever the locks. A grab another client
// holds already is refused by the server, which is how a conflict shows.
class X11HotkeyRegistrar final : public QObject,
                                 public HotkeyRegistrar,
                                 private QAbstractNativeEventFilter {
    Q_OBJECT

public:
    explicit X11HotkeyRegistrar(std::shared_ptr<X11Keyboard> keyboard, QObject* parent = nullptr);
    ~X11HotkeyRegistrar() override;

    std::unique_ptr<RegisteredHotkey> registerHotkey(std::uint16_t keyCode, ModifierSet modifiers,
                                                     std::function<void()> handler) override;

    // A grabbed key is down, as far as the app has seen: its presses count as repeats.
    bool holdsAKeyDown() const { return !held_.empty(); }

private:
    class Grab;
    struct Live {
        Grab* grab;
        std::uint8_t keyCode;
        std::uint16_t mask;
        std::function<void()> handler;
    };

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    std::vector<std::uint16_t> lockVariants(std::uint16_t mask) const;
    void release(Grab* grab);
    void forgetReleasedKeys();

    std::shared_ptr<X11Keyboard> keyboard_;
    std::vector<Live> live_;
    std::vector<std::uint8_t> held_; // grabbed keys now down, so that auto-repeat fires nothing
    // A release can go to another client once the app's own keyboard grab ends: while a key is
    // held, the server's key map is checked, so that a missed release never blocks a press.
    QTimer releaseWatch_;
};

} // namespace tavro
