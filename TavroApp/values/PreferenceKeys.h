#pragma once

#include "values/HotkeyBinding.h"

#include <array>
#include <span>
#include <string_view>

namespace tavro {

enum class PreferenceKey {
    regionHotkey,
    fullScreenHotkey,
    hasCompletedOnboarding,
    playCaptureSound,
    copyToClipboard,
    captureURLs,
    showMenuBarIcon,
    openDashboardAfterSave,
    defaultGroupID,
    markupTool,
    markupColor,
    markupWidth,
};

enum class PreferenceType { binding, flag, optionalText, text, integer };

// One row per preference: where it is stored, what it holds, what it reads as when nothing
// (valid) is stored, and the settings label where it has one.
struct PreferenceRow {
    PreferenceKey key;
    std::string_view name;
    PreferenceType type;
    bool defaultFlag = false;
    HotkeyBinding defaultBinding{};
    std::string_view label{};
    std::string_view defaultText{};
    int defaultInteger = 0;
};

std::span<const PreferenceRow> preferenceRows();
const PreferenceRow& preferenceRow(PreferenceKey key);

namespace PreferenceNames {
inline constexpr std::string_view importedLegacyDefaults = "migration.importedLegacyDefaults";
// The former release's name for the default group: read, and removed when the group is cleared.
inline constexpr std::string_view legacyDefaultGroup = "capture.defaultProjectID";
} // namespace PreferenceNames

// The keys copied once from the former release's settings, in the order they are copied.
inline constexpr std::array<std::string_view, 11> legacyImportedKeys{
    "hotkey.region",
    "hotkey.fullScreen",
    "onboarding.completed",
    "capture.sound",
    "capture.copyToClipboard",
    "capture.collectURLs",
    "ui.menuBarIcon",
    "ui.launchAtLogin",
    "capture.defaultGroupID",
    "capture.defaultProjectID",
    "capture.openDashboardAfterSave",
};

} // namespace tavro
