#pragma once

#include "TempLibrary.h"
#include "model/Capture.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tavro::test {

// A program started in the background; stopped (TERM, then KILL) when the object goes.
class BackgroundProcess {
public:
    BackgroundProcess(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                      const std::filesystem::path& log);
    ~BackgroundProcess();
    BackgroundProcess(const BackgroundProcess&) = delete;
    BackgroundProcess& operator=(const BackgroundProcess&) = delete;

    int pid() const { return pid_; }
    bool running();
    // The exit status once it has ended, waiting up to `timeout`.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    void stop();

private:
    int pid_ = -1;
    std::optional<int> status_;
};

// A control of the app as its accessibility interface shows it.
struct Control {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool focused = false;
};

// A throw-away X11 desktop for the app: Xvfb, the icewm window manager and tray, and an xterm
// that holds the focus, with a fresh HOME, XDG folders and TAVRO_HOME. Drives the app with
// xdotool, finds its controls by accessible name over a session bus of its own (AT-SPI), and saves
// screenshots of the whole screen under TAVRO_E2E_SCREENSHOTS.
class DesktopSession {
public:
    // `screen` is Xvfb's "WIDTHxHEIGHTxDEPTH".
    explicit DesktopSession(const std::string& screen = "1280x800x24");
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // The environment every program of the session gets; `extra` entries ("NAME=value")
    // replace the session's own, and a bare "NAME" leaves that variable out.
    std::vector<std::string> environment(const std::vector<std::string>& extra = {}) const;

    // Starts `tavro` with the arguments in the background.
    BackgroundProcess& launchTavro(const std::vector<std::string>& arguments = {},
                                   const std::vector<std::string>& extraEnv = {});
    // Runs `tavro` with the arguments to its end (a second start hands over and exits).
    int runTavro(const std::vector<std::string>& arguments,
                 const std::vector<std::string>& extraEnv = {});

    // Runs xdotool with the arguments; its standard output.
    std::string xdotool(const std::vector<std::string>& arguments) const;
    std::vector<std::string> windowsNamed(const std::string& pattern) const;
    bool waitForWindow(const std::string& pattern,
                       std::chrono::milliseconds timeout = std::chrono::seconds(20)) const;
    // Where a window is and how big: x, y, width, height, as xdotool reports them.
    std::optional<std::array<int, 4>> windowFrame(const std::string& window) const;
    std::string activeWindow() const;
    // Whether a client holds the keyboard grab (the capture overlay does while it is up).
    bool keyboardGrabbed() const;
    bool waitForKeyboardGrab(std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // Waits until the input focus is in `window` (or one of its children).
    bool waitForFocus(const std::string& window,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    std::string activeWindowName() const;
    const std::string& xtermWindow() const { return xterm_; }
    void focusXterm() const;
    // Makes `window` the active window and waits for it; asks again while it is not.
    bool activate(const std::string& window) const;
    // Waits for the board to appear and take the focus the window manager gives a new window,
    // then hands the focus to the xterm, so the board cannot take it back afterwards.
    bool focusXtermOnceTheBoardIsUp() const;
    // Minimises `window` and waits until it no longer shows; asks again while it does.
    bool minimise(const std::string& window) const;
    void drag(int fromX, int fromY, int toX, int toY) const;
    void key(const std::string& keys) const;
    void type(const std::string& text) const;
    // The control on screen in the app's window titled `window`, with an AT-SPI role name ("push
    // button", "page tab", "text", ...) and an accessible name; nothing while none shows.
    std::optional<Control> control(const std::string& window, const std::string& role,
                                   const std::string& name) const;
    // The text that control holds; nothing while none shows.
    std::optional<std::string> controlText(const std::string& window, const std::string& role,
                                           const std::string& name) const;
    std::optional<Control>
    waitForControl(const std::string& window, const std::string& role, const std::string& name,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Clicks the middle of that control once it shows; false when it never does.
    bool clickControl(const std::string& window, const std::string& role, const std::string& name,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    // Gives that control the keyboard focus once it shows, as a screen reader can; false when
    // it never shows or never takes the focus.
    bool focusControl(const std::string& window, const std::string& role, const std::string& name,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    bool waitForControlFocus(const std::string& window, const std::string& role,
                             const std::string& name,
                             std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    // The AT-SPI role name ("frame", "dialog", ...) of the app's window titled `window`;
    // nothing while none shows.
    std::optional<std::string> windowRole(const std::string& window) const;
    // Programs started from now on, and the control lookups, use the session bus at `address`
    // (one that offers a keyring, say) instead of the session's own.
    void useSessionBus(const std::string& address) { bus_ = address; }

    // Ends the X server, as a display server that goes away does: every client's connection
    // breaks.
    void stopDisplay();

    // Writes <screenshots>/<name>.png, once the windows have had a moment to paint.
    void screenshot(const std::string& name) const;

    const std::filesystem::path& home() const { return home_; }
    // Where a program the session started writes its output: "tavro", "icewm", "xterm".
    std::filesystem::path log(const std::string& program) const {
        return folder_.path() / (program + ".log");
    }
    const std::filesystem::path& library() const { return library_; }
    std::filesystem::path database() const { return library_ / "tavro.sqlite"; }
    // Every capture the library holds, read through the store as the app would.
    std::vector<Capture> storedCaptures() const;
    // The library's one capture, once it holds exactly one within `timeout`; otherwise nothing.
    std::optional<Capture> waitForOneCapture(std::chrono::milliseconds timeout) const;
    // Marks onboarding done in the profile's settings, as finishing it would.
    void completeOnboarding() const;
    // Brings the board to the front and opens the settings with Ctrl+comma: the settings
    // window, once it has the focus; nothing when the board or the settings did not appear.
    std::optional<std::string> openSettingsFromBoard() const;
    // Starts the app with onboarding done and a region capture once the board is up: true once
    // the selection overlay holds the keyboard.
    bool startRegionCapture();
    // Clicks the preview at the top of the open note box: the mark-up editor's frame once the
    // editor has come to the front, or nothing.
    std::optional<std::array<int, 4>> openMarkupEditorFromNoteBox() const;

    static bool waitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds timeout);
    // Whether `condition` holds all through `span`: for what a test says does not happen,
    // which only the passage of time can show.
    static bool holdsFor(const std::function<bool()>& condition, std::chrono::milliseconds span);

private:
    void startSessionBus();
    void startWindowManager();

    TempFolder folder_;
    std::filesystem::path home_;
    std::filesystem::path runtime_;
    std::filesystem::path library_;
    std::string display_;
    std::string bus_;
    std::string xterm_;
    std::vector<std::unique_ptr<BackgroundProcess>> processes_;
};

} // namespace tavro::test
