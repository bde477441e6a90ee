#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tavro::KeyNames {

// Keys whose name is fixed whatever the layout: Return, Tab, Space, the arrows, F1 to F20, ...
std::optional<std::string> specialKeyName(std::uint16_t keyCode);

// The character a key types with no modifiers on the standard US layout, upper-cased; nothing
// for keys that type no character (modifiers, dead or unassigned codes).
std::optional<std::string> layoutCharacter(std::uint16_t keyCode);

} // namespace tavro::KeyNames
