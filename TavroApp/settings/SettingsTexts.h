#pragma once

#include <string_view>

// The settings window's own words.
namespace tavro::SettingsTexts {

inline constexpr std::string_view windowTitle = "Tavro Settings";

// General.
inline constexpr std::string_view captureSection = "Capture";
inline constexpr std::string_view contextSection = "Context";
inline constexpr std::string_view permissionsSection = "Permissions";
inline constexpr std::string_view noGroup = "No group";
inline constexpr std::string_view screenRecording = "Screen Recording";
inline constexpr std::string_view accessibility = "Accessibility";
inline constexpr std::string_view requiredForScreenshots = "Required for screenshots";
inline constexpr std::string_view onlyForTapShortcuts = "Only needed for tap shortcuts";
inline constexpr std::string_view granted = "Granted";
inline constexpr std::string_view openSettings = "Open Settings";

// Shortcuts.
inline constexpr std::string_view shortcutsSection = "Shortcuts";
inline constexpr std::string_view shortcutsFooter =
    "Press any combination, or tap one modifier key twice or three times. Pressing the same "
    "combination twice quickly makes it a double-press shortcut.";
inline constexpr std::string_view noScreenshotSection = "Issues without a screenshot";
inline constexpr std::string_view noScreenshotFooter =
    "It's the same note box; a screenshot can be added to it later, from the box or from the "
    "board.";
inline constexpr std::string_view pressAgainDuringOverlay =
    "Press again while the overlay is up — the note box opens without a screenshot";
inline constexpr std::string_view pressTwiceQuickly =
    "Press twice quickly — same, from the full-screen shortcut";
inline constexpr std::string_view overlaySection = "While the overlay is open";
inline constexpr std::string_view noteBoxSection = "In the note box";
inline constexpr std::string_view accessibilityNeeded = "Accessibility permission needed";
inline constexpr std::string_view accessibilityReason =
    "One of your shortcuts is a tap trigger, which requires reading key events.";
inline constexpr std::string_view openAccessibilitySettings = "Open Accessibility settings";

// Library.
inline constexpr std::string_view captures = "Captures";
inline constexpr std::string_view open = "Open";
inline constexpr std::string_view screenshotsOnDisk = "Screenshots on disk";
inline constexpr std::string_view location = "Location";
inline constexpr std::string_view calculating = "Calculating…";
inline constexpr std::string_view aboutSection = "About";
inline constexpr std::string_view version = "Version";
inline constexpr std::string_view showOnboardingAgain = "Show onboarding again";

} // namespace tavro::SettingsTexts
