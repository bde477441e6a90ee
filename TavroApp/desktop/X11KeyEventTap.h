#pragma once

#include "desktop/KeyEventSource.h"

#include <QAbstractNativeEventFilter>

#include <bitset>
#include <memory>

namespace tavro {

class X11Keyboard;

// Every key of the session from XInput 2 raw key events on the root window: they report keys
// without taking them from the window they go to, so a key-down is never swallowed here.
class X11KeyEventTap final : public KeyEventSource, private QAbstractNativeEventFilter {
public:
    explicit X11KeyEventTap(std::shared_ptr<X11Keyboard> keyboard);
    ~X11KeyEventTap() override;
    X11KeyEventTap(const X11KeyEventTap&) = delete;
    X11KeyEventTap& operator=(const X11KeyEventTap&) = delete;

    bool start(Sink& sink) override;
    void stop() override;
    bool isRunning() const override { return sink_ != nullptr; }

    // A key that no binding key code names: it ends a tap, and matches no combination.
    static constexpr std::uint16_t unnamedKey = 0xFFFF;

private:
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    bool select(bool on);
    ModifierSet heldModifiers() const;

    std::shared_ptr<X11Keyboard> keyboard_;
    Sink* sink_ = nullptr;
    std::uint8_t opcode_ = 0;
    std::bitset<256> down_;
};

} // namespace tavro
