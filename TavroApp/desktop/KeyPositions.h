#pragma once

#include <cstdint>
#include <optional>

namespace tavro::KeyPositions {

// Bindings keep key codes that name positions on an ANSI keyboard (19 is the "2"
// key). The X server numbers the same positions by the kernel's input codes plus 8. One table
// maps between the two, so a binding names the same physical key whatever the layout.
std::optional<std::uint8_t> x11KeyCode(std::uint16_t keyCode);
std::optional<std::uint16_t> bindingKeyCode(std::uint8_t x11KeyCode);

} // namespace tavro::KeyPositions
