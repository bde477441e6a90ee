// The real app started under Xvfb and icewm on a busy library, timed and weighed from outside.
// BM_BoardFirstCards: from the start of the process to the first cards painted (the newest
// captures' thumbnails seen on the screen). Goal at 100,000 captures: at most 1.5 s.
// BM_AppMemory: the whole app's resident memory once it is at rest. Goal: at most 120 MiB more
// with 100,000 captures than with 1,000, in the same run.
#include "BusyLibrary.h"
#include "DesktopSession.h"
#include "XDriver.h"
#include "model/Image.h"
#include "model/Paths.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tavro::bench::XDriver;
using tavro::test::DesktopSession;
using namespace tavro;

namespace {

// The thumbnails of the newest captures: one colour nothing else on the screen has.
constexpr std::uint32_t thumbnailColour = 0xFF00FF;
constexpr int thumbnailsWritten = 120;
// A card's thumbnail covers thousands of pixels; a stray glyph's edge only a few.
constexpr std::size_t firstCardPixels = 2000;

void writeThumbnail(const fs::path& file) {
    auto image = Image::create({320, 200});
    for (int y = 0; y < image->height(); ++y)
        for (int x = 0; x < image->width(); ++x)
            image->setPixel(x, y, 0xFF000000u | thumbnailColour);
    const auto png = image->encodePNG();
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), std::streamsize(png->size()));
}

// The busy board, with thumbnails for its newest captures.
const fs::path& filledLibrary(int count) {
    return bench::filledBusyLibrary(count, [count](Capture& capture, int i) {
        if (i < count - thumbnailsWritten)
            return;
        capture.thumbPath = "first/" + capture.id + ".png";
        writeThumbnail(TavroPaths::thumbsRoot() / *capture.thumbPath);
    });
}

// The process's user and system time so far, in clock ticks.
long cpuTicks(int pid) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The fields after the command's name, which ends at the last ')'.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long user = 0;
    long system = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            user = std::stol(field);
        if (i == 15)
            system = std::stol(field);
    }
    return user + system;
}

// A line of /proc/<pid>/status such as "VmRSS:", in MiB.
double statusMiB(int pid, const std::string& key) {
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(file, line))
        if (line.starts_with(key))
            return std::stod(line.substr(key.size())) / 1024.0;
    return 0;
}

// Waits until the process has used almost no processor time for a second and a half.
bool waitForRest(int pid, std::chrono::seconds timeout) {
    const auto end = Clock::now() + timeout;
    const long perSecond = sysconf(_SC_CLK_TCK);
    long before = cpuTicks(pid);
    while (Clock::now() < end) {
        std::this_thread::sleep_for(1500ms);
        const long after = cpuTicks(pid);
        if (after - before <= perSecond / 25)
            return true;
        before = after;
    }
    return false;
}

struct Started {
    double secondsToFirstCards = 0;
    double residentMiB = 0;
    double anonymousMiB = 0;
};

// Starts the app on a copy of the filled library; nothing when the cards never showed.
std::optional<Started> startApp(int count, bool weigh) {
    const fs::path& filled = filledLibrary(count);
    DesktopSession session;
    session.completeOnboarding();
    fs::copy(filled, session.library(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    XDriver screen(session);
    const auto started = Clock::now();
    // As a person without a screen reader runs it.
    auto& app = session.launchTavro({}, {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON"});
    bool seen = false;
    while (!seen && Clock::now() - started < 60s) {
        seen = screen.pixelsNear(thumbnailColour, 8) >= firstCardPixels;
        if (!seen)
            std::this_thread::sleep_for(10ms);
    }
    if (!seen)
        return std::nullopt;
    Started result;
    result.secondsToFirstCards = std::chrono::duration<double>(Clock::now() - started).count();
    if (weigh && waitForRest(app.pid(), 60s)) {
        result.residentMiB = statusMiB(app.pid(), "VmRSS:");
        result.anonymousMiB = statusMiB(app.pid(), "RssAnon:");
    }
    return result;
}

void BM_BoardFirstCards(benchmark::State& state) {
    std::vector<double> samples;
    for (auto _ : state) {
        const auto started = startApp(int(state.range(0)), false);
        if (!started) {
            state.SkipWithError("no card showed within a minute");
            return;
        }
        state.SetIterationTime(started->secondsToFirstCards);
        samples.push_back(started->secondsToFirstCards * 1000);
    }
    state.counters["median_ms"] = bench::median(samples);
}
BENCHMARK(BM_BoardFirstCards)
    ->Arg(1000)
    ->Arg(100000)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The 1,000-capture figure of this run, which the larger ones are measured against.
std::optional<double> smallBoardMiB;

void BM_AppMemory(benchmark::State& state) {
    const int count = int(state.range(0));
    std::optional<Started> started;
    for (auto _ : state) {
        started = startApp(count, true);
        if (!started || started->residentMiB == 0) {
            state.SkipWithError("the app never came to rest with its cards shown");
            return;
        }
    }
    state.counters["MiB"] = started->residentMiB;
    state.counters["anonMiB"] = started->anonymousMiB;
    if (count == 1000)
        smallBoardMiB = started->residentMiB;
    else if (smallBoardMiB)
        state.counters["MiBAbove1000"] = started->residentMiB - *smallBoardMiB;
}
BENCHMARK(BM_AppMemory)->Arg(1000)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
