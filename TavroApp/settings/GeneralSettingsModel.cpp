#include "settings/GeneralSettingsModel.h"

#include "settings/SettingsTexts.h"
#include "values/Preferences.h"

namespace tavro::GeneralSettingsModel {

std::string_view label(PreferenceKey key) {
    return preferenceRow(key).label;
}

std::vector<GroupOption> groupOptions(const std::vector<CaptureGroup>& groups) {
    std::vector<GroupOption> options{{std::string(SettingsTexts::noGroup), {}}};
    options.reserve(groups.size() + 1);
    for (const CaptureGroup& group : groups)
        options.push_back({group.name, group.id});
    return options;
}

std::optional<std::size_t> selectedGroupOption(const std::vector<GroupOption>& options,
                                               const std::optional<std::string>& groupID) {
    const std::string shown = groupID.value_or(std::string());
    for (std::size_t i = 0; i < options.size(); ++i)
        if (options[i].value == shown)
            return i;
    return std::nullopt;
}

void chooseGroup(Preferences& preferences, std::string_view value) {
    preferences.setDefaultGroupID(value.empty() ? std::nullopt : std::optional<std::string>(value));
}

std::array<PermissionRow, 2> permissionRows(bool hasScreenRecording, bool hasAccessibility) {
    return {{
        {SettingsTexts::screenRecording, SettingsTexts::requiredForScreenshots, hasScreenRecording,
         PermissionPane::screenRecording},
        {SettingsTexts::accessibility, SettingsTexts::onlyForTapShortcuts, hasAccessibility,
         PermissionPane::accessibility},
    }};
}

} // namespace tavro::GeneralSettingsModel
