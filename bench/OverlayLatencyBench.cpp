// How long the region shortcut takes to put the selection overlay on screen: the real app under
// Xvfb and icewm with an xterm in front, the shortcut pressed through XTEST, and the overlay seen
// as the mapping of a full-screen override-redirect window. Goal: under 50 ms.
#include "DesktopSession.h"
#include "XDriver.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tavro::bench::XDriver;
using tavro::test::DesktopSession;
namespace keys = tavro::bench::keys;

namespace {

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
    XDriver watcher(session);
    std::vector<double> samples;
    for (auto _ : state) {
        session.focusXterm();
        std::this_thread::sleep_for(300ms);
        watcher.drain();
        const auto pressed = Clock::now();
        watcher.press({keys::alt, keys::shift, keys::two});
        const auto overlay = watcher.waitForMap(3s, [&](xcb_window_t window) {
            return watcher.isOverrideRedirect(window) && watcher.isFullScreen(window);
        });
        const double seconds = std::chrono::duration<double>(Clock::now() - pressed).count();
        if (!overlay) {
            state.SkipWithError("no overlay came up");
            return;
        }
        state.SetIterationTime(seconds);
        samples.push_back(seconds * 1000);
        std::this_thread::sleep_for(300ms); // until the overlay holds the keyboard
        watcher.press({keys::escape});
        watcher.waitForUnmap(*overlay, 3s);
        if (boardOpen)
            session.waitForWindow("^Tavro$", 5s);
    }
    state.counters["median_ms"] = tavro::bench::median(samples);
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
