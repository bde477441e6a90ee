#pragma once

#include "desktop/PermissionProbe.h"
#include "model/CaptureGroup.h"
#include "values/PreferenceKeys.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

class Preferences;

// What the General settings tab shows and writes, apart from its widgets.
namespace GeneralSettingsModel {

// The switches of the "Capture" section, in order; their labels are the preferences' own.
inline constexpr std::array<PreferenceKey, 3> captureSwitches{
    PreferenceKey::playCaptureSound,
    PreferenceKey::copyToClipboard,
    PreferenceKey::openDashboardAfterSave,
};
// The switch of the "Context" section.
inline constexpr PreferenceKey contextSwitch = PreferenceKey::captureURLs;

std::string_view label(PreferenceKey key);

// One choice of "File new captures in": "No group" (the empty value) first, then each group in
// the library's order by its name, valued by its id.
struct GroupOption {
    std::string label;
    std::string value;
    bool operator==(const GroupOption&) const = default;
};
std::vector<GroupOption> groupOptions(const std::vector<CaptureGroup>& groups);
// The option the stored group shows as: "No group" when none is stored, nothing when the stored
// id names no listed group (a group deleted since); the stored id stays until the user picks.
std::optional<std::size_t> selectedGroupOption(const std::vector<GroupOption>& options,
                                               const std::optional<std::string>& groupID);
// Stores the choice at once: the empty value removes the stored group.
void chooseGroup(Preferences& preferences, std::string_view value);

// One row of the "Permissions" section.
struct PermissionRow {
    std::string_view title;
    std::string_view detail;
    bool granted;
    PermissionPane pane;
    bool operator==(const PermissionRow&) const = default;
};
std::array<PermissionRow, 2> permissionRows(bool hasScreenRecording, bool hasAccessibility);

} // namespace GeneralSettingsModel

} // namespace tavro
