#pragma once

#include <string_view>

// Onboarding's own words.
namespace tavro::OnboardingTexts {

inline constexpr std::string_view windowTitle = "Welcome to Tavro";

inline constexpr std::string_view back = "Back";
inline constexpr std::string_view skip = "Skip";
inline constexpr std::string_view next = "Continue";
inline constexpr std::string_view continueAnyway = "Continue anyway";
inline constexpr std::string_view startUsing = "Start using Tavro";

// Welcome.
inline constexpr std::string_view headline = "Stop losing the bugs you spot";
inline constexpr std::string_view pitch =
    "Screenshot what's wrong, type a note, and it lands on a board your coding agent can actually "
    "read — image and all.";
inline constexpr std::string_view captureTitle = "Capture";
inline constexpr std::string_view captureDetail =
    "Drag a region or grab the whole screen, from any app.";
inline constexpr std::string_view annotateTitle = "Annotate";
inline constexpr std::string_view agentTitle = "Hand it to your agent";
inline constexpr std::string_view agentDetail =
    "Your agent sees the screenshot, the note, and where you found it.";

// Permission.
inline constexpr std::string_view grantPermission = "Grant permission";
inline constexpr std::string_view openSystemSettings = "Open System Settings instead";
inline constexpr std::string_view comeBackHint =
    "After enabling Tavro in the list, come back here — this updates on its own.";
inline constexpr std::string_view allSet = "You're all set for capturing";

// Shortcuts.
inline constexpr std::string_view pickShortcuts = "Pick your shortcuts";
inline constexpr std::string_view pickShortcutsDetail =
    "Press a combination, or tap a single modifier twice or three times. Tavro works out which "
    "you meant.";
inline constexpr std::string_view overlayTip =
    "Tip: while the region overlay is up, press ␣ to grab the whole screen instead, or ⎋ to "
    "cancel. Press either shortcut a second time for an issue with no screenshot.";
inline constexpr std::string_view tapNeedsAccessibility = "Tap shortcuts need Accessibility";
inline constexpr std::string_view grantAccessibility = "Grant Accessibility";
inline constexpr std::string_view openSettings = "Open Settings";

// Your agent.
inline constexpr std::string_view connectAgent = "Connect your agent";
inline constexpr std::string_view connectAgentDetail =
    "Tavro ships an MCP server. Connect it once and your agent can list what's open, look at the "
    "screenshots, and mark things fixed.";

// Ready.
inline constexpr std::string_view setUp = "You're set up";
inline constexpr std::string_view captureRegion = "capture a region";
inline constexpr std::string_view captureScreen = "capture the whole screen";
inline constexpr std::string_view fileWithoutScreenshot = "file an issue with no screenshot";
inline constexpr std::string_view tryCapture = "Try a capture now";

} // namespace tavro::OnboardingTexts
