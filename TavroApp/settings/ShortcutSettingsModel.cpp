#include "settings/ShortcutSettingsModel.h"

#include "capture/ShortcutTexts.h"
#include "settings/SettingsTexts.h"
#include "ui/PlatformTexts.h"

namespace tavro::ShortcutSettingsModel {

std::array<RecorderRow, 2> recorderRows(const std::set<HotkeyManager::Action>& conflicts) {
    std::array<RecorderRow, 2> rows{{
        {HotkeyManager::Action::region, PreferenceKey::regionHotkey, {}, {}},
        {HotkeyManager::Action::fullScreen, PreferenceKey::fullScreenHotkey, {}, {}},
    }};
    for (RecorderRow& row : rows) {
        row.title = ShortcutTexts::title(row.action);
        if (conflicts.count(row.action))
            row.conflict = ShortcutTexts::conflict;
    }
    return rows;
}

std::string pressedTwice(const HotkeyBinding& binding) {
    const std::string once = binding.displayString();
    return once + "  " + once;
}

std::vector<ReferenceSection> referenceSections(const HotkeyBinding& region,
                                                const HotkeyBinding& fullScreen) {
    using namespace SettingsTexts;
    return {
        {noScreenshotSection,
         noScreenshotFooter,
         {{pressedTwice(region), pressAgainDuringOverlay},
          {pressedTwice(fullScreen), pressTwiceQuickly}}},
        {overlaySection,
         {},
         {{"Drag", "Select a region"}, {"␣", "Capture the whole screen instead"}, {"⎋", "Cancel"}}},
        {noteBoxSection,
         {},
         {{std::string(PlatformTexts::saveKeys), "Save to the board"},
          {"⎋", "Discard the capture"}}},
    };
}

} // namespace tavro::ShortcutSettingsModel
