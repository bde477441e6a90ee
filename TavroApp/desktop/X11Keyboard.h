#pragma once

#include "values/ModifierSet.h"

#include <QAbstractNativeEventFilter>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct xcb_connection_t;
struct xkb_context;
struct xkb_keymap;

namespace tavro {

// The X server's keyboard as the global-key layers need it: which key codes are modifiers and
// which modifier bits stand for Alt, Super and Num Lock (read from the server's modifier map,
// never assumed), and the characters of the current layout. Follows mapping changes. Uses the
// application's own X connection; main thread only.
class X11Keyboard final : public QAbstractNativeEventFilter {
public:
    // Nothing when the application does not run on X11 or the server lacks XKB.
    static std::unique_ptr<X11Keyboard> open();
    ~X11Keyboard() override;
    X11Keyboard(const X11Keyboard&) = delete;
    X11Keyboard& operator=(const X11Keyboard&) = delete;

    xcb_connection_t* connection() const { return connection_; }
    std::uint32_t root() const { return root_; }

    // The core modifier mask of a set; nothing when a member has no bit on this server (fn
    // never has one and is left out).
    std::optional<std::uint16_t> modifierMask(ModifierSet modifiers) const;
    // The set a core modifier state stands for.
    ModifierSet modifiersOfState(std::uint16_t state) const;
    std::uint16_t lockMask() const;
    std::uint16_t numLockMask() const { return numLockMask_; }

    bool isModifierKey(std::uint8_t keyCode) const { return modifierOfKey_[keyCode].has_value(); }
    // The member a modifier key stands for; empty for Caps Lock, Num Lock and the like.
    ModifierSet modifierOfKey(std::uint8_t keyCode) const {
        return modifierOfKey_[keyCode].value_or(ModifierSet{});
    }

    // The character a key types in the current layout with no modifiers, upper-cased.
    std::optional<std::string> character(std::uint8_t keyCode) const;

    void refresh();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    X11Keyboard(xcb_connection_t* connection, std::uint32_t root, std::int32_t deviceID,
                std::uint8_t xkbEventBase);
    void readModifierMap();

    xcb_connection_t* connection_;
    std::uint32_t root_;
    std::int32_t deviceID_;
    std::uint8_t xkbEventBase_;
    xkb_context* context_ = nullptr;
    xkb_keymap* keymap_ = nullptr;
    std::uint16_t altMask_ = 0;
    std::uint16_t superMask_ = 0;
    std::uint16_t numLockMask_ = 0;
    std::array<std::optional<ModifierSet>, 256> modifierOfKey_{};
};

} // namespace tavro
