#pragma once

#include <string_view>

namespace tavro::PlatformTexts {

// The texts that name a place, a key or an app of the desktop, in the words of this one. Keep
// every such text here, so that a port finds them together.

// A group that lives in this library alone.
inline constexpr std::string_view onlyOnThisComputer = "Only on this computer";
// Opens the file manager at a screenshot's file.
inline constexpr std::string_view showInFolder = "Show in Folder";

// The agent tab's header: what the agent server reads and where.
inline constexpr std::string_view agentServerIntro =
    "Tavro ships an MCP server that reads this computer's capture library directly — including "
    "everything synced to it from your workspace — with no network on the request path. Actions "
    "it takes sync up like your own, attributed to the agent.";
// The agent server is missing from the folder it is installed in beside the app.
inline constexpr std::string_view agentServerMissing =
    "The bundled MCP server wasn't found beside Tavro. Reinstall the app, or point your agent at "
    "the server manually.";

// The library settings' first section, and its caption on what leaves the machine.
inline constexpr std::string_view onThisComputer = "On this computer";
inline constexpr std::string_view libraryCaption =
    "Everything lives in that folder — a SQLite database and the image files. Signed in, "
    "captures also sync to your workspace; signed out, nothing leaves this computer. Back it up "
    "like any other folder.";

// No browser lets another program read its address bar here, so the option records nothing.
inline constexpr std::string_view pageURLCaption =
    "Tavro can't read a browser's address bar on Linux, so no page URL is recorded. The app, "
    "window title and display are always recorded and need no extra permission.";

// The note box saves with Ctrl+Return.
inline constexpr std::string_view saveKeys = "Ctrl+↩";
inline constexpr std::string_view annotateDetail =
    "A note box opens straight away. Type, hit Ctrl+↩, done.";

// The account pane: the device-code sign-in, what stays here, and what signing out keeps.
inline constexpr std::string_view approveInBrowser =
    "Approve this computer in your browser. If the page asks for a code, it's:";
inline constexpr std::string_view nothingLeavesUntilSignIn =
    "Nothing leaves this computer until you sign in. Captures made before signing in stay local "
    "until you choose to move them.";
inline constexpr std::string_view everyWorkspaceSyncs =
    "Every workspace you belong to syncs to this computer; this is only where new captures go.";
inline constexpr std::string_view onlyHereSuffix = " only on this computer";
inline constexpr std::string_view signOutMessage =
    "The account's captures leave this computer; they stay in your workspace. Captures that were "
    "never synced stay here.";

// Onboarding's permission step, which this desktop passes at once: it grants screen capture.
inline constexpr std::string_view needsScreenCapture = "Tavro needs to capture the screen";
inline constexpr std::string_view screenCaptureOn = "Screen capture is on";
inline constexpr std::string_view screenCaptureReason =
    "Taking a screenshot means reading what's on the screen. Tavro only reads pixels when you "
    "press your shortcut — never in the background, and nothing leaves this computer.";
// Tap shortcuts read every key event; the desktop lets the app do so without a permission.
inline constexpr std::string_view tapNeedsAccessibilityDetail =
    "Watching for a double or triple tap means reading key events, which this desktop may gate "
    "behind an accessibility permission. Plain combinations don't need it.";
// Where the app lives between captures.
inline constexpr std::string_view trayNote =
    "Tavro lives in your system tray. Ask your agent “what's open in Tavro?” to see the board "
    "from the other side.";

} // namespace tavro::PlatformTexts
