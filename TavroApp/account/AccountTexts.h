#pragma once

#include <string_view>

// The account pane's own words; those that name this computer are in PlatformTexts.h.
namespace tavro::AccountTexts {

// The service's web domain, named in the pane's title and on the button that opens the web app.
inline constexpr std::string_view webDomain = "tavro.dev";
inline constexpr std::string_view syncWith = "Sync with ";
inline constexpr std::string_view openWeb = "Open ";

inline constexpr std::string_view pitch =
    "Sign in and this library mirrors your workspace: your team sees what you capture, you see "
    "what they share with you, and agents connected to your account see the same board. Free "
    "during early access.";
inline constexpr std::string_view sessionExpired =
    "Your session expired. Sign in again to resume syncing.";
inline constexpr std::string_view signIn = "Sign in…";
inline constexpr std::string_view createAccount = "Create an account";

inline constexpr std::string_view waitingForApproval = "Waiting for approval…";
inline constexpr std::string_view openBrowserAgain = "Open browser again";
inline constexpr std::string_view cancel = "Cancel";

inline constexpr std::string_view syncNow = "Sync now";
inline constexpr std::string_view workspaceSection = "Workspace";
inline constexpr std::string_view fileNewCapturesIn = "File new captures in";
inline constexpr std::string_view capture = " capture";
inline constexpr std::string_view plural = "s";
inline constexpr std::string_view moveThemTo = "Filed before you signed in. Move them to ";
inline constexpr std::string_view yourWorkspace = "your workspace";
inline constexpr std::string_view syncLikeEverythingElse = " and they sync like everything else.";
inline constexpr std::string_view moveToWorkspace = "Move to workspace";

inline constexpr std::string_view syncLog = "Sync log";
inline constexpr std::string_view nothingYet = "Nothing yet.";
inline constexpr std::string_view signOut = "Sign out…";

inline constexpr std::string_view signOutTitle = "Sign out of Tavro?";
inline constexpr std::string_view signOutConfirm = "Sign Out";
// "3 changes not yet synced will be lost.", after the message, when any would be.
inline constexpr std::string_view change = " change";
inline constexpr std::string_view notYetSyncedWillBeLost = " not yet synced will be lost.";

} // namespace tavro::AccountTexts
