#pragma once

#include "values/ModifierSet.h"

#include <cstdint>
#include <memory>

namespace tavro {

// Every key the user presses anywhere on the desktop, without taking it from the application it
// is meant for. Times are seconds on the source's monotonic clock; auto-repeat never arrives.
class KeyEventSource {
public:
    class Sink {
    public:
        virtual ~Sink() = default;
        // A fresh press of a key that is not a modifier, as a binding key code, with the
        // modifiers held. Answers whether the key belongs to an armed shortcut; a source that
        // cannot take keys from other applications lets it through all the same.
        virtual bool keyDown(std::uint16_t keyCode, ModifierSet modifiers, double time) = 0;
        // The modifiers held, after a modifier key went down or up.
        virtual void flagsChanged(ModifierSet flags, double time) = 0;
    };

    virtual ~KeyEventSource() = default;

    // False when the desktop refuses to report keys.
    virtual bool start(Sink& sink) = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0;
};

// Reports nothing and never starts: for desktops without a key-event source.
class NullKeyEventSource final : public KeyEventSource {
public:
    bool start(Sink&) override { return false; }
    void stop() override {}
    bool isRunning() const override { return false; }
};

} // namespace tavro
