// How long the region shortcut takes to put the selection overlay on screen: the real app under
// Xvfb and icewm with an xterm in front, the shortcut pressed through XTEST, and the overlay seen
// as the mapping of a full-screen override-redirect window. Goal: under 50 ms.
#include "DesktopSession.h"

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tavro::test::DesktopSession;

namespace {

// Key codes of the server's default keyboard map.
constexpr std::uint8_t altKey = 64;
constexpr std::uint8_t shiftKey = 50;
constexpr std::uint8_t twoKey = 11;
constexpr std::uint8_t escapeKey = 9;

// A client of its own that presses keys and watches the top-level windows come and go.
class Watcher {
public:
    explicit Watcher(const std::string& display)
        : c_(xcb_connect(display.c_str(), nullptr)) {
        xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        root_ = screen->root;
        screenSize_ = {screen->width_in_pixels, screen->height_in_pixels};
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        sync();
    }
    ~Watcher() { xcb_disconnect(c_); }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    // Presses the keys in order and releases them in reverse.
    void press(const std::vector<std::uint8_t>& keys) {
        for (std::uint8_t key : keys)
            xcb_test_fake_input(c_, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto it = keys.rbegin(); it != keys.rend(); ++it)
            xcb_test_fake_input(c_, XCB_KEY_RELEASE, *it, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c_);
    }

    // Forgets what happened so far.
    void drain() {
        while (auto event = next(0ms))
            note(*event);
    }

    // The full-screen override-redirect window mapped within `timeout`.
    std::optional<xcb_window_t> waitForOverlay(std::chrono::milliseconds timeout) {
        const auto end = Clock::now() + timeout;
        while (Clock::now() < end) {
            auto event = next(std::chrono::duration_cast<std::chrono::milliseconds>(
                end - Clock::now()));
            if (!event)
                continue;
            if (auto mapped = note(*event); mapped && isOverlay(*mapped))
                return mapped;
        }
        return std::nullopt;
    }

    bool waitForUnmap(xcb_window_t window, std::chrono::milliseconds timeout) {
        const auto end = Clock::now() + timeout;
        while (Clock::now() < end) {
            unmapped_ = 0;
            if (auto event = next(std::chrono::duration_cast<std::chrono::milliseconds>(
                    end - Clock::now())))
                note(*event);
            if (unmapped_ == window)
                return true;
        }
        return false;
    }

private:
    struct Window {
        int width = 0;
        int height = 0;
        bool overrideRedirect = false;
    };
    using Event = std::unique_ptr<xcb_generic_event_t, decltype(&std::free)>;

    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    std::optional<Event> next(std::chrono::milliseconds wait) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(c_))
            return Event(event, &std::free);
        pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
        if (poll(&fd, 1, int(wait.count())) <= 0)
            return std::nullopt;
        if (xcb_generic_event_t* event = xcb_poll_for_event(c_))
            return Event(event, &std::free);
        return std::nullopt;
    }

    // Keeps the windows' geometry; the window just mapped, if the event maps one.
    std::optional<xcb_window_t> note(const Event& event) {
        switch (event->response_type & 0x7f) {
        case XCB_CREATE_NOTIFY: {
            const auto* e = reinterpret_cast<const xcb_create_notify_event_t*>(event.get());
            windows_[e->window] = {e->width, e->height, bool(e->override_redirect)};
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event.get());
            auto& w = windows_[e->window];
            w.width = e->width;
            w.height = e->height;
            w.overrideRedirect = e->override_redirect;
            break;
        }
        case XCB_MAP_NOTIFY: {
            const auto* e = reinterpret_cast<const xcb_map_notify_event_t*>(event.get());
            windows_[e->window].overrideRedirect = e->override_redirect;
            return e->window;
        }
        case XCB_UNMAP_NOTIFY:
            unmapped_ = reinterpret_cast<const xcb_unmap_notify_event_t*>(event.get())->window;
            break;
        case XCB_DESTROY_NOTIFY: {
            const auto* e = reinterpret_cast<const xcb_destroy_notify_event_t*>(event.get());
            unmapped_ = e->window;
            windows_.erase(e->window);
            break;
        }
        default:
            break;
        }
        return std::nullopt;
    }

    bool isOverlay(xcb_window_t window) const {
        const auto it = windows_.find(window);
        return it != windows_.end() && it->second.overrideRedirect &&
               it->second.width == screenSize_.first && it->second.height == screenSize_.second;
    }

    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
    std::pair<int, int> screenSize_;
    std::map<xcb_window_t, Window> windows_;
    xcb_window_t unmapped_ = 0;
};

std::string displayOf(const DesktopSession& session) {
    for (const std::string& entry : session.environment())
        if (entry.starts_with("DISPLAY="))
            return entry.substr(8);
    return {};
}

// Presses the region shortcut over the xterm `state.iterations()` times; each time the overlay
// is cancelled with Escape and the desktop settles before the next press.
void shortcutToOverlay(benchmark::State& state, bool boardOpen) {
    DesktopSession session;
    session.completeOnboarding();
    session.launchTavro();
    if (!session.waitForWindow("^Tavro$")) {
        state.SkipWithError("the board did not open");
        return;
    }
    if (!boardOpen) {
        session.xdotool({"windowactivate", "--sync", session.windowsNamed("^Tavro$").front()});
        session.key("ctrl+w");
        DesktopSession::waitUntil([&] { return session.windowsNamed("^Tavro$").empty(); }, 5s);
    }
    std::this_thread::sleep_for(500ms);
    Watcher watcher(displayOf(session));
    std::vector<double> samples;
    for (auto _ : state) {
        session.focusXterm();
        std::this_thread::sleep_for(300ms);
        watcher.drain();
        const auto pressed = Clock::now();
        watcher.press({altKey, shiftKey, twoKey});
        const auto overlay = watcher.waitForOverlay(3s);
        const double seconds = std::chrono::duration<double>(Clock::now() - pressed).count();
        if (!overlay) {
            state.SkipWithError("no overlay came up");
            return;
        }
        state.SetIterationTime(seconds);
        samples.push_back(seconds * 1000);
        std::this_thread::sleep_for(300ms); // until the overlay holds the keyboard
        watcher.press({escapeKey});
        watcher.waitForUnmap(*overlay, 3s);
        if (boardOpen)
            session.waitForWindow("^Tavro$", 5s);
    }
    std::sort(samples.begin(), samples.end());
    if (!samples.empty())
        state.counters["median_ms"] = samples.size() % 2
                                          ? samples[samples.size() / 2]
                                          : (samples[samples.size() / 2 - 1] +
                                             samples[samples.size() / 2]) / 2;
}

void BM_ShortcutToOverlay_BoardOpen(benchmark::State& state) {
    shortcutToOverlay(state, true);
}
void BM_ShortcutToOverlay_NoWindowOpen(benchmark::State& state) {
    shortcutToOverlay(state, false);
}

} // namespace

BENCHMARK(BM_ShortcutToOverlay_BoardOpen)
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShortcutToOverlay_NoWindowOpen)
    ->Iterations(15)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
