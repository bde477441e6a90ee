#pragma once

#include "desktop/HotkeyRegistrar.h"
#include "desktop/KeyEventSource.h"

#include <memory>

namespace tavro {

class X11Keyboard;

// The desktop's global-key services, chosen once: on X11 the key grabs and the raw key events
// (and key names from the current layout); elsewhere the null twins, which arm nothing.
struct GlobalKeys {
    std::unique_ptr<HotkeyRegistrar> registrar;
    std::unique_ptr<KeyEventSource> keys;
    std::shared_ptr<X11Keyboard> keyboard;

    GlobalKeys();
    GlobalKeys(GlobalKeys&&) noexcept;
    GlobalKeys& operator=(GlobalKeys&&) noexcept;
    ~GlobalKeys();
};

GlobalKeys makePlatformGlobalKeys();

} // namespace tavro
