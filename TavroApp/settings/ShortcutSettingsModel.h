#pragma once

#include "capture/HotkeyManager.h"
#include "values/HotkeyBinding.h"
#include "values/PreferenceKeys.h"

#include <array>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// What the Shortcuts settings tab and the onboarding shortcuts step show, apart from widgets.
namespace ShortcutSettingsModel {

// One recorder row: the shortcut it records, where it is stored, and the warning it shows when
// another client owns its combination.
struct RecorderRow {
    HotkeyManager::Action action;
    PreferenceKey key;
    std::string_view title;
    std::optional<std::string_view> conflict;
    bool operator==(const RecorderRow&) const = default;
};
std::array<RecorderRow, 2> recorderRows(const std::set<HotkeyManager::Action>& conflicts);

// A shortcut pressed a second time: its display text twice, two blanks apart.
std::string pressedTwice(const HotkeyBinding& binding);

// One row of keys and what they do.
struct KeyReference {
    std::string keys;
    std::string_view description;
    bool operator==(const KeyReference&) const = default;
};
struct ReferenceSection {
    std::string_view header;
    std::string_view footer;
    std::vector<KeyReference> rows;
};
// The tab's sections after the recorders, in order: issues without a screenshot (from the
// current bindings), the overlay's keys and the note box's keys. The Accessibility notice, when
// shown, goes after the first of them.
std::vector<ReferenceSection> referenceSections(const HotkeyBinding& region,
                                                const HotkeyBinding& fullScreen);

} // namespace ShortcutSettingsModel

} // namespace tavro
