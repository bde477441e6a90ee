#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tavro::KeyNames {

// Keys whose name is fixed whatever the layout: Return, Tab, Space, the arrows, F1 to F20, ...
std::optional<std::string> specialKeyName(std::uint16_t keyCode);

// The character a key types with no modifiers in the current layout, upper-cased; nothing for
// keys that type no character (modifiers, dead or unassigned codes). Without a namer for the
// desktop's layout, the standard US layout's.
std::optional<std::string> layoutCharacter(std::uint16_t keyCode);

using LayoutNamer = std::function<std::optional<std::string>(std::uint16_t keyCode)>;
// Installed by the desktop's keyboard layer while it runs; an empty namer removes it.
void setLayoutNamer(LayoutNamer namer);

} // namespace tavro::KeyNames
