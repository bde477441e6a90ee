#pragma once

#include "ui/Icons.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

namespace tavro {

// One tab of the settings window: the identifier that selects it, its label and its symbol.
struct SettingsTab {
    std::string_view id;
    std::string_view label;
    Icon symbol;
};

// General, Account, Shortcuts, Agent and Library, in that order.
std::span<const SettingsTab> settingsTabs();
// The position of the tab with that identifier; nothing for an unknown one.
std::optional<std::size_t> settingsTabIndex(std::string_view id);

namespace SettingsTabID {
inline constexpr std::string_view general = "general";
inline constexpr std::string_view account = "account";
inline constexpr std::string_view shortcuts = "shortcuts";
inline constexpr std::string_view agent = "agent";
inline constexpr std::string_view library = "library";
} // namespace SettingsTabID

} // namespace tavro
