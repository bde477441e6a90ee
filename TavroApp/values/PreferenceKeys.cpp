#include "values/PreferenceKeys.h"

#include <algorithm>
#include <stdexcept>

namespace tavro {

namespace {

const std::array<PreferenceRow, 12> rows{{
    {PreferenceKey::regionHotkey, "hotkey.region", PreferenceType::binding, false,
     HotkeyBinding::defaultRegion()},
    {PreferenceKey::fullScreenHotkey, "hotkey.fullScreen", PreferenceType::binding, false,
     HotkeyBinding::defaultFullScreen()},
    {PreferenceKey::hasCompletedOnboarding, "onboarding.completed", PreferenceType::flag, false},
    {PreferenceKey::playCaptureSound,
     "capture.sound",
     PreferenceType::flag,
     true,
     {},
     "Play a shutter sound"},
    {PreferenceKey::copyToClipboard,
     "capture.copyToClipboard",
     PreferenceType::flag,
     false,
     {},
     "Also copy the screenshot to the clipboard"},
    {PreferenceKey::captureURLs,
     "capture.collectURLs",
     PreferenceType::flag,
     false,
     {},
     "Record the page URL from browsers"},
    {PreferenceKey::showMenuBarIcon, "ui.menuBarIcon", PreferenceType::flag, true},
    {PreferenceKey::openDashboardAfterSave,
     "capture.openDashboardAfterSave",
     PreferenceType::flag,
     false,
     {},
     "Open the dashboard after saving"},
    {PreferenceKey::defaultGroupID,
     "capture.defaultGroupID",
     PreferenceType::optionalText,
     false,
     {},
     "File new captures in"},
    // The mark-up editor's last tool, colour and width; the editor reads what they mean.
    {PreferenceKey::markupTool, "markup.tool", PreferenceType::text, false, {}, {}, "pen"},
    {PreferenceKey::markupColor, "markup.color", PreferenceType::text, false, {}, {}, "#FF3B30"},
    {PreferenceKey::markupWidth, "markup.width", PreferenceType::integer, false, {}, {}, {}, 1},
}};

} // namespace

std::span<const PreferenceRow> preferenceRows() {
    return rows;
}

const PreferenceRow& preferenceRow(PreferenceKey key) {
    auto it = std::find_if(rows.begin(), rows.end(),
                           [key](const PreferenceRow& row) { return row.key == key; });
    if (it == rows.end())
        throw std::logic_error("preference without a row");
    return *it;
}

} // namespace tavro
