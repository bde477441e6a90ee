#pragma once

#include "values/ModifierSet.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace tavro {

// One system-wide key combination held for this process; destroying it gives the combination
// back.
class RegisteredHotkey {
public:
    virtual ~RegisteredHotkey() = default;
};

// Registers single key combinations that fire whatever application is in front.
class HotkeyRegistrar {
public:
    virtual ~HotkeyRegistrar() = default;

    // Nothing when the desktop refuses, as when another client holds the combination. The
    // handler runs on the main thread, after the key event has been handled; a key held down
    // fires once.
    virtual std::unique_ptr<RegisteredHotkey>
    registerHotkey(std::uint16_t keyCode, ModifierSet modifiers, std::function<void()> handler) = 0;
};

// Refuses every combination: for desktops that allow no global key grabs.
class NullHotkeyRegistrar final : public HotkeyRegistrar {
public:
    std::unique_ptr<RegisteredHotkey> registerHotkey(std::uint16_t, ModifierSet,
                                                     std::function<void()>) override {
        return nullptr;
    }
};

} // namespace tavro
