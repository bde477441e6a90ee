#pragma once

#include "capture/HotkeyManager.h"

#include <string_view>

namespace tavro::ShortcutTexts {

inline constexpr std::string_view conflict =
    "Another app already owns this shortcut — pick a different one.";

// The name each capture shortcut goes by in settings and onboarding.
inline constexpr std::string_view title(HotkeyManager::Action action) {
    return action == HotkeyManager::Action::region ? "Capture a region"
                                                   : "Capture the whole screen";
}

} // namespace tavro::ShortcutTexts
