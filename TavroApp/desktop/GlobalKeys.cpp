#include "desktop/GlobalKeys.h"

#include "desktop/KeyPositions.h"
#include "desktop/X11HotkeyRegistrar.h"
#include "desktop/X11KeyEventTap.h"
#include "desktop/X11Keyboard.h"
#include "values/KeyNames.h"

#include <QGuiApplication>

namespace tavro {

GlobalKeys::GlobalKeys() = default;
GlobalKeys::GlobalKeys(GlobalKeys&&) noexcept = default;
GlobalKeys& GlobalKeys::operator=(GlobalKeys&&) noexcept = default;

GlobalKeys::~GlobalKeys() {
    if (keyboard)
        KeyNames::setLayoutNamer({});
}

GlobalKeys makePlatformGlobalKeys() {
    GlobalKeys keys;
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        keys.keyboard = X11Keyboard::open();
    if (!keys.keyboard) {
        keys.registrar = std::make_unique<NullHotkeyRegistrar>();
        keys.keys = std::make_unique<NullKeyEventSource>();
        return keys;
    }
    keys.registrar = std::make_unique<X11HotkeyRegistrar>(keys.keyboard);
    keys.keys = std::make_unique<X11KeyEventTap>(keys.keyboard);
    KeyNames::setLayoutNamer([keyboard = std::weak_ptr<X11Keyboard>(keys.keyboard)](
                                 std::uint16_t keyCode) -> std::optional<std::string> {
        auto live = keyboard.lock();
        auto code = KeyPositions::x11KeyCode(keyCode);
        if (!live || !code)
            return std::nullopt;
        return live->character(*code);
    });
    return keys;
}

} // namespace tavro
