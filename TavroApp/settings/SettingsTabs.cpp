#include "settings/SettingsTabs.h"

#include <array>

namespace tavro {

std::span<const SettingsTab> settingsTabs() {
    static constexpr std::array<SettingsTab, 5> tabs{{
        {SettingsTabID::general, "General", Icon::gearshape},
        {SettingsTabID::account, "Account", Icon::personCropCircle},
        {SettingsTabID::shortcuts, "Shortcuts", Icon::command},
        {SettingsTabID::agent, "Agent", Icon::sparkles},
        {SettingsTabID::library, "Library", Icon::internaldrive},
    }};
    return tabs;
}

std::optional<std::size_t> settingsTabIndex(std::string_view id) {
    const auto tabs = settingsTabs();
    for (std::size_t i = 0; i < tabs.size(); ++i)
        if (tabs[i].id == id)
            return i;
    return std::nullopt;
}

} // namespace tavro
