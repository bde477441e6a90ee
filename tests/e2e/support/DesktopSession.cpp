#include "DesktopSession.h"

#include "WaitUntil.h"

#include "ProcessRunner.h"
#include "model/CaptureQuery.h"
#include "store/CaptureStore.h"

#include <X11/Xlib.h>
#include <algorithm>
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace tavro::test {

namespace {

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Runs a program with the session's environment and returns its output.
ProcessResult runWith(std::vector<std::string> argv, const std::vector<std::string>& env) {
    std::vector<std::string> command{"/usr/bin/env", "-i"};
    command.insert(command.end(), env.begin(), env.end());
    command.insert(command.end(), argv.begin(), argv.end());
    return ProcessRunner::run(command);
}

} // namespace

BackgroundProcess::BackgroundProcess(const std::vector<std::string>& argv,
                                     const std::vector<std::string>& env, const fs::path& log) {
    std::vector<std::string> args = argv;
    std::vector<std::string> environment = env;
    auto argp = pointers(args);
    auto envp = pointers(environment);
    pid_ = fork();
    if (pid_ == 0) {
        setpgid(0, 0);
        int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        int in = open("/dev/null", O_RDONLY);
        if (in >= 0)
            dup2(in, 0);
        execvpe(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
}

BackgroundProcess::~BackgroundProcess() {
    stop();
}

bool BackgroundProcess::running() {
    return !waitForExit(0ms).has_value();
}

std::optional<int> BackgroundProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (status_ || pid_ <= 0)
        return status_;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            return status_;
        }
        std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

void BackgroundProcess::stop() {
    if (pid_ <= 0 || status_)
        return;
    kill(pid_, SIGTERM);
    if (!waitForExit(3s)) {
        kill(pid_, SIGKILL);
        waitForExit(3s);
    }
}

void DesktopSession::stopDisplay() {
    // Xvfb is the first program the session started.
    processes_.front()->stop();
}

// A window mapped before the window manager runs is adopted without focus: wait for it. On a
// loaded machine icewm now and then exits while starting; it is started again then.
void DesktopSession::startWindowManager() {
    const fs::path log = folder_.path() / "icewm.log";
    for (int attempt = 0; attempt < 3; ++attempt) {
        auto& icewm = *processes_.emplace_back(std::make_unique<BackgroundProcess>(
            std::vector<std::string>{"icewm"}, environment(), log));
        const bool up = waitUntil(
            [&] {
                return !icewm.running() ||
                       runWith({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, environment())
                               .out.find("window id") != std::string::npos;
            },
            25s);
        if (up && icewm.running())
            return;
        icewm.stop();
    }
    std::ifstream file(log);
    const std::string output((std::istreambuf_iterator<char>(file)),
                             std::istreambuf_iterator<char>());
    throw std::runtime_error("the window manager did not come up: " + output);
}

// A bus of the session's own that can start only the accessibility bus: the app publishes its
// controls there, and nothing else the desktop offers (a keyring, a tray host) starts behind a
// test's back. The accessibility bus is started before the app, which looks for it once.
void DesktopSession::startSessionBus() {
    const fs::path folder = folder_.path() / "session-bus";
    fs::create_directories(folder / "services");
    std::ofstream(folder / "services/org.a11y.Bus.service")
        << "[D-BUS Service]\nName=org.a11y.Bus\nExec=" TAVRO_E2E_ATSPI_BUS_LAUNCHER "\n";
    const fs::path socket = folder / "socket";
    std::ofstream(folder / "session.conf")
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig>\n  <type>session</type>\n  <listen>unix:path="
        << socket.string() << "</listen>\n  <auth>EXTERNAL</auth>\n  <servicedir>"
        << (folder / "services").string()
        << "</servicedir>\n  <policy context=\"default\">\n"
           "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
           "    <allow eavesdrop=\"true\"/>\n    <allow own=\"*\"/>\n  </policy>\n"
           "</busconfig>\n";
    bus_ = "unix:path=" + socket.string();
    processes_.push_back(std::make_unique<BackgroundProcess>(
        std::vector<std::string>{"dbus-daemon", "--nofork", "--nopidfile",
                                 "--config-file=" + (folder / "session.conf").string()},
        environment(), folder_.path() / "dbus.log"));
    if (!waitUntil([&] { return fs::exists(socket); }, 10s))
        throw std::runtime_error("the session bus did not come up");
    const auto started = runWith({"dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
                                  "/org/a11y/bus", "org.a11y.Bus.GetAddress"},
                                 environment());
    if (started.exitCode != 0)
        throw std::runtime_error("the accessibility bus did not start: " + started.err);
}

DesktopSession::DesktopSession(const std::string& screen) {
    home_ = folder_.path() / "home";
    runtime_ = folder_.path() / "runtime";
    library_ = folder_.path() / "library";
    fs::create_directories(home_ / ".config");
    fs::create_directories(home_ / ".local/share");
    fs::create_directories(runtime_);
    fs::permissions(runtime_, fs::perms::owner_all, fs::perm_options::replace);

    // Xvfb picks a free display and writes its number to the pipe.
    int fds[2];
    if (pipe(fds) != 0)
        throw std::runtime_error("pipe failed");
    processes_.push_back(std::make_unique<BackgroundProcess>(
        std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                 screen, "-nolisten", "tcp"},
        std::vector<std::string>{"PATH=/usr/bin:/bin"}, folder_.path() / "xvfb.log"));
    close(fds[1]);
    std::string number;
    char ch;
    while (read(fds[0], &ch, 1) == 1 && ch != '\n')
        number += ch;
    close(fds[0]);
    if (number.empty())
        throw std::runtime_error("Xvfb did not start");
    display_ = ":" + number;

    startSessionBus();
    startWindowManager();
    processes_.push_back(std::make_unique<BackgroundProcess>(
        std::vector<std::string>{"xterm", "-geometry", "80x24+40+40", "-title", "shell"},
        environment(), folder_.path() / "xterm.log"));
    if (!waitUntil(
            [&] {
                auto found = windowsNamed("^shell$");
                if (found.empty())
                    return false;
                xterm_ = found.front();
                if (activeWindow() == xterm_)
                    return true;
                // On a loaded machine the focus can go astray at start; ask for it.
                xdotool({"windowactivate", xterm_});
                return false;
            },
            30s))
        throw std::runtime_error("the xterm did not come up");
}

DesktopSession::~DesktopSession() {
    while (!processes_.empty())
        processes_.pop_back();
}

std::vector<std::string> DesktopSession::environment(const std::vector<std::string>& extra) const {
    std::vector<std::string> env{
        "PATH=/usr/local/bin:/usr/bin:/bin",
        "DISPLAY=" + display_,
        "HOME=" + home_.string(),
        "XDG_CONFIG_HOME=" + (home_ / ".config").string(),
        "XDG_DATA_HOME=" + (home_ / ".local/share").string(),
        "XDG_CACHE_HOME=" + (home_ / ".cache").string(),
        "XDG_RUNTIME_DIR=" + runtime_.string(),
        "TAVRO_HOME=" + library_.string(),
        "QT_QPA_PLATFORM=xcb",
        "LANG=C.UTF-8",
        "DBUS_SESSION_BUS_ADDRESS=" + bus_,
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1",
    };
    for (const std::string& entry : extra) {
        const auto equals = entry.find('=');
        const std::string name =
            equals == std::string::npos ? entry + "=" : entry.substr(0, equals + 1);
        std::erase_if(env, [&](const std::string& e) { return e.starts_with(name); });
        if (equals != std::string::npos)
            env.push_back(entry);
    }
    return env;
}

BackgroundProcess& DesktopSession::launchTavro(const std::vector<std::string>& arguments,
                                               const std::vector<std::string>& extraEnv) {
    std::vector<std::string> argv{TAVRO_APP};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    processes_.push_back(std::make_unique<BackgroundProcess>(argv, environment(extraEnv),
                                                             folder_.path() / "tavro.log"));
    return *processes_.back();
}

int DesktopSession::runTavro(const std::vector<std::string>& arguments,
                             const std::vector<std::string>& extraEnv) {
    std::vector<std::string> argv{TAVRO_APP};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runWith(argv, environment(extraEnv)).exitCode;
}

std::string DesktopSession::xdotool(const std::vector<std::string>& arguments) const {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return runWith(argv, environment()).out;
}

std::vector<std::string> DesktopSession::windowsNamed(const std::string& pattern) const {
    std::vector<std::string> windows;
    const std::string out = xdotool({"search", "--onlyvisible", "--name", pattern});
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos)
            end = out.size();
        if (end > start)
            windows.push_back(out.substr(start, end - start));
        start = end + 1;
    }
    return windows;
}

bool DesktopSession::waitForWindow(const std::string& pattern,
                                   std::chrono::milliseconds timeout) const {
    return waitUntil([&] { return !windowsNamed(pattern).empty(); }, timeout);
}

std::string DesktopSession::activeWindow() const {
    return trimmed(xdotool({"getactivewindow"}));
}

std::string DesktopSession::activeWindowName() const {
    return trimmed(xdotool({"getactivewindow", "getwindowname"}));
}

bool DesktopSession::keyboardGrabbed() const {
    Display* display = XOpenDisplay(display_.c_str());
    if (!display)
        return false;
    // Another client's grab makes ours fail with AlreadyGrabbed; ours is released at once (the
    // overlay retries its own grab, so probing while it starts does not keep it out).
    const int status = XGrabKeyboard(display, DefaultRootWindow(display), False, GrabModeAsync,
                                     GrabModeAsync, CurrentTime);
    if (status == GrabSuccess)
        XUngrabKeyboard(display, CurrentTime);
    XCloseDisplay(display);
    return status == AlreadyGrabbed;
}

bool DesktopSession::waitForKeyboardGrab(std::chrono::milliseconds timeout) const {
    return waitUntil([&] { return keyboardGrabbed(); }, timeout);
}

bool DesktopSession::waitForFocus(const std::string& window,
                                  std::chrono::milliseconds timeout) const {
    return waitUntil(
        [&] {
            const std::string focus = trimmed(xdotool({"getwindowfocus"}));
            return !window.empty() && focus.substr(0, window.size()) == window;
        },
        timeout);
}

void DesktopSession::focusXterm() const {
    activate(xterm_);
}

bool DesktopSession::activate(const std::string& window) const {
    // A window the window manager has not taken in yet misses the request, and xdotool's own
    // wait would then run out without asking again.
    for (int attempt = 0; attempt < 4; ++attempt) {
        xdotool({"windowactivate", window});
        if (waitUntil([&] { return activeWindow() == window; }, std::chrono::seconds(3)))
            return true;
    }
    return false;
}

bool DesktopSession::focusXtermOnceTheBoardIsUp() const {
    if (!waitForWindow("^Tavro$"))
        return false;
    const auto board = windowsNamed("^Tavro$");
    if (board.empty())
        return false;
    // The window manager gives a newly mapped board the focus, and under load it may do so after
    // the xterm has taken it; the focus counts only once it stays with the xterm.
    waitUntil([&] { return activeWindow() == board.front(); }, std::chrono::seconds(5));
    const auto xtermInFront = [&] {
        return activeWindow() == xterm_;
    };
    for (int attempt = 0; attempt < 3; ++attempt) {
        focusXterm();
        if (waitUntil(xtermInFront, std::chrono::seconds(5)) &&
            holdsFor(xtermInFront, std::chrono::seconds(1)))
            return true;
    }
    return false;
}

bool DesktopSession::minimise(const std::string& window) const {
    // Asked again for the same reason as in activate().
    const auto gone = [&] {
        const auto shown = windowsNamed("");
        return std::find(shown.begin(), shown.end(), window) == shown.end();
    };
    for (int attempt = 0; attempt < 4; ++attempt) {
        xdotool({"windowminimize", window});
        if (waitUntil(gone, std::chrono::seconds(3)))
            return true;
    }
    return false;
}

std::optional<std::array<int, 4>> DesktopSession::windowFrame(const std::string& window) const {
    // "Position: 100,120 (screen: 0)" and "Geometry: 600x400".
    const std::string out = xdotool({"getwindowgeometry", window});
    const auto at = out.find("Position: ");
    const auto size = out.find("Geometry: ");
    std::array<int, 4> frame{};
    if (at == std::string::npos || size == std::string::npos ||
        std::sscanf(out.c_str() + at, "Position: %d,%d", &frame[0], &frame[1]) != 2 ||
        std::sscanf(out.c_str() + size, "Geometry: %dx%d", &frame[2], &frame[3]) != 2)
        return std::nullopt;
    return frame;
}

void DesktopSession::drag(int fromX, int fromY, int toX, int toY) const {
    // The pauses let the app see a press, a move and a release as a user makes them: a drag
    // that lands in one burst is coalesced into a click.
    xdotool({"mousemove", std::to_string(fromX), std::to_string(fromY), "mousedown", "1"});
    std::this_thread::sleep_for(100ms);
    xdotool({"mousemove", std::to_string((fromX + toX) / 2), std::to_string((fromY + toY) / 2)});
    std::this_thread::sleep_for(100ms);
    xdotool({"mousemove", std::to_string(toX), std::to_string(toY)});
    std::this_thread::sleep_for(100ms);
    xdotool({"mouseup", "1"});
}

void DesktopSession::key(const std::string& keys) const {
    xdotool({"key", keys});
}

void DesktopSession::type(const std::string& text) const {
    xdotool({"type", "--delay", "20", text});
}

void DesktopSession::screenshot(const std::string& name) const {
    const fs::path folder = TAVRO_E2E_SCREENSHOTS;
    fs::create_directories(folder);
    // Only the record of the look waits on time: no test asserts on a screenshot, and a
    // window has no signal for "painted" that xdotool can see.
    std::this_thread::sleep_for(300ms);
    runWith({"import", "-window", "root", (folder / (name + ".png")).string()}, environment());
}

namespace {

std::optional<Control> lookUp(const DesktopSession& session, bool focus, const std::string& window,
                              const std::string& role, const std::string& name) {
    std::vector<std::string> command{TAVRO_E2E_PYTHON, TAVRO_E2E_ACCESSIBLE};
    if (focus)
        command.emplace_back("--focus");
    command.insert(command.end(), {window, role, name});
    const ProcessResult found = runWith(command, session.environment());
    Control control;
    int focused = 0;
    if (found.exitCode != 0 ||
        std::sscanf(found.out.c_str(), "%d %d %d %d %d", &control.x, &control.y, &control.width,
                    &control.height, &focused) != 5)
        return std::nullopt;
    control.focused = focused != 0;
    return control;
}

} // namespace

std::optional<Control> DesktopSession::control(const std::string& window, const std::string& role,
                                               const std::string& name) const {
    return lookUp(*this, false, window, role, name);
}

std::optional<std::string> DesktopSession::controlText(const std::string& window,
                                                       const std::string& role,
                                                       const std::string& name) const {
    const ProcessResult found = runWith(
        {TAVRO_E2E_PYTHON, TAVRO_E2E_ACCESSIBLE, "--text", window, role, name}, environment());
    if (found.exitCode != 0)
        return std::nullopt;
    return found.out;
}

std::optional<Control> DesktopSession::waitForControl(const std::string& window,
                                                      const std::string& role,
                                                      const std::string& name,
                                                      std::chrono::milliseconds timeout) const {
    std::optional<Control> found;
    waitUntil([&] { return (found = control(window, role, name)).has_value(); }, timeout);
    return found;
}

bool DesktopSession::clickControl(const std::string& window, const std::string& role,
                                  const std::string& name,
                                  std::chrono::milliseconds timeout) const {
    const std::optional<Control> found = waitForControl(window, role, name, timeout);
    if (!found)
        return false;
    xdotool({"mousemove", std::to_string(found->x + found->width / 2),
             std::to_string(found->y + found->height / 2), "click", "1"});
    return true;
}

bool DesktopSession::focusControl(const std::string& window, const std::string& role,
                                  const std::string& name,
                                  std::chrono::milliseconds timeout) const {
    return waitUntil(
        [&] {
            // Asked again until it holds: a control that shows is not always ready to take it.
            const std::optional<Control> found = lookUp(*this, true, window, role, name);
            return found && (found->focused || waitForControlFocus(window, role, name, 1s));
        },
        timeout);
}

bool DesktopSession::waitForControlFocus(const std::string& window, const std::string& role,
                                         const std::string& name,
                                         std::chrono::milliseconds timeout) const {
    return waitUntil(
        [&] {
            const std::optional<Control> found = control(window, role, name);
            return found && found->focused;
        },
        timeout);
}

std::optional<std::string> DesktopSession::windowRole(const std::string& window) const {
    const ProcessResult found =
        runWith({TAVRO_E2E_PYTHON, TAVRO_E2E_ACCESSIBLE, "--role", window}, environment());
    if (found.exitCode != 0)
        return std::nullopt;
    std::string role = found.out;
    while (!role.empty() && std::isspace(static_cast<unsigned char>(role.back())))
        role.pop_back();
    return role;
}

void DesktopSession::completeOnboarding() const {
    const fs::path file = home_ / ".config/tavro/Tavro.conf";
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "[General]\nonboarding.completed=true\n"
                           "migration.importedLegacyDefaults=true\n";
}

bool DesktopSession::waitUntil(const std::function<bool()>& condition,
                               std::chrono::milliseconds timeout) {
    return test::waitUntil(condition, timeout);
}

std::vector<Capture> DesktopSession::storedCaptures() const {
    CaptureStore store(database(), std::make_shared<NullStoreChangeNotifier>());
    CaptureQuery everything;
    everything.limit = -1;
    return store.captures(everything);
}

std::optional<Capture> DesktopSession::waitForOneCapture(std::chrono::milliseconds timeout) const {
    std::vector<Capture> captures;
    if (!waitUntil([&] { return (captures = storedCaptures()).size() == 1; }, timeout))
        return std::nullopt;
    return captures.front();
}

std::optional<std::string> DesktopSession::openSettingsFromBoard() const {
    const std::vector<std::string> boards = windowsNamed("^Tavro$");
    if (boards.empty())
        return std::nullopt;
    activate(boards.front());
    key("ctrl+comma");
    if (!waitForWindow("^Tavro Settings$"))
        return std::nullopt;
    const std::string settings = windowsNamed("^Tavro Settings$").front();
    if (!activate(settings) || !waitForFocus(settings))
        return std::nullopt;
    return settings;
}

bool DesktopSession::startRegionCapture() {
    completeOnboarding();
    launchTavro();
    return focusXtermOnceTheBoardIsUp() && runTavro({"--capture-region"}) == 0 &&
           waitUntil([&] { return windowsNamed("^Tavro$").empty(); }, 5s) && waitForKeyboardGrab();
}

std::optional<std::array<int, 4>> DesktopSession::openMarkupEditorFromNoteBox() const {
    if (!waitForWindow("^Tavro Note$"))
        return std::nullopt;
    const auto boxes = windowsNamed("^Tavro Note$");
    if (boxes.empty() || !waitForFocus(boxes.front()))
        return std::nullopt;
    const auto box = windowFrame(boxes.front());
    if (!box)
        return std::nullopt;
    xdotool({"mousemove", std::to_string((*box)[0] + (*box)[2] / 2), std::to_string((*box)[1] + 60),
             "click", "1"});
    if (!waitForWindow("^Mark up screenshot$", 10s))
        return std::nullopt;
    const auto editors = windowsNamed("^Mark up screenshot$");
    if (editors.empty() || !waitForFocus(editors.front()))
        return std::nullopt;
    return windowFrame(editors.front());
}

bool DesktopSession::holdsFor(const std::function<bool()>& condition,
                              std::chrono::milliseconds span) {
    return !waitUntil([&] { return !condition(); }, span);
}

} // namespace tavro::test
