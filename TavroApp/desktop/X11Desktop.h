#pragma once

#include "desktop/ContextCollector.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tavro {

// The active window: its process, WM_CLASS (instance and class) and the title of the front
// window of that process.
struct FrontWindow {
    std::uint32_t window = 0;
    std::int64_t pid = 0;
    std::string instance;
    std::string windowClass;
    std::optional<std::string> title;
};

// What the window manager publishes through EWMH on the root window and the client windows:
// the active window, the stacking list, each client's process, class and title. Applications
// are named from their desktop entries. Every answer is best effort; without an X connection
// every look-up is absent.
class X11Desktop final : public DesktopLookup {
public:
    std::optional<FrontApplication> frontmostApplication() override;
    std::optional<std::string> displayUnderCursor() override;
    // No browser answers without its own cooperation.
    std::optional<std::string> browserURL(std::string_view) override { return std::nullopt; }

    // Asks everything about the front window in two round trips.
    static std::optional<FrontWindow> frontWindow();
    static std::optional<std::uint32_t> activeWindow();
    static std::optional<std::int64_t> windowPID(std::uint32_t window);
    // WM_CLASS: instance and class.
    static std::optional<std::pair<std::string, std::string>> windowClass(std::uint32_t window);
    // _NET_WM_NAME, else WM_NAME decoded by its type; in UTF-8.
    static std::optional<std::string> windowTitle(std::uint32_t window);
    // Asks the window manager to activate the window, as a pager does.
    static void activate(std::uint32_t window);
    // Gives one of this app's windows the keyboard, and tells the window manager.
    static void focus(std::uint32_t window);
    // The children of the root window that hold the windows: their window manager's frames,
    // or the windows themselves where nothing manages them.
    static std::vector<std::uint32_t> topLevelFrames(const std::vector<std::uint32_t>& windows);
    // Whether any of the windows is still on the screen.
    static bool anyViewable(const std::vector<std::uint32_t>& windows);
    // Asks the window manager to iconify the windows of every other application (panels and
    // the desktop stay).
    static void hideOtherApplications();
    // A compositing manager owns _NET_WM_CM_S<n>.
    static bool compositorRunning();
    // Asks that a window not yet shown appear on every desktop (_NET_WM_STATE_STICKY, and
    // _NET_WM_DESKTOP 0xFFFFFFFF for window managers that only read that).
    static void stickOnEveryDesktop(std::uint32_t window);
};

// The desktop entry for a WM_CLASS: its id without ".desktop" and its name.
struct DesktopEntry {
    std::string id;
    std::string name;
};
std::optional<DesktopEntry> desktopEntryForClass(const std::string& instance,
                                                 const std::string& windowClass);

} // namespace tavro
