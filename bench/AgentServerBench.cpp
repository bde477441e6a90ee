// What an agent waits for: starting tavro-mcp through its first tools/list, looking at a capture
// with a full-size screenshot, and listing 200 captures of a large board.
#include "JSONRPC.h"
#include "TavroMCPServer.h"
#include "model/Image.h"
#include "model/Paths.h"
#include "model/Uuid.h"
#include "store/CaptureStore.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using namespace tavro;

namespace {

// Removes a benchmark's library folder when the program ends.
struct Folder {
    fs::path path;
    ~Folder() {
        std::error_code error;
        fs::remove_all(path, error);
    }
    const char* c_str() const { return path.c_str(); }
};

// A library folder of its own for each board size, made once per run.
Folder makeLibrary(int captures) {
    std::string pattern = (fs::temp_directory_path() / "tavro-bench-XXXXXX").string();
    fs::path home = mkdtemp(pattern.data());
    setenv("TAVRO_HOME", home.c_str(), 1);
    CaptureStore store(TavroPaths::databasePath());
    store.db().transaction([&] {
        for (int i = 0; i < captures; ++i) {
            Capture c{.id = makeUUID(),
                      .createdAt = 1.7e9 + i * 60.0,
                      .updatedAt = 1.7e9 + i * 60.0,
                      .note = "Issue " + std::to_string(i) + "\nSteps to reproduce.",
                      .status = i % 5 == 0 ? CaptureStatus::resolved : CaptureStatus::open,
                      .priority = allCases<CapturePriority>()[size_t(i % 3)],
                      .imagePath = "2026/03/" + std::to_string(i) + ".png",
                      .appName = i % 2 ? "Firefox" : "Files",
                      .windowTitle = "Window " + std::to_string(i % 97)};
            store.insert(c);
            if (i % 4 == 0)
                store.setTags({"ui", "layout"}, c.id);
        }
    });
    return Folder{home};
}

std::string writeScreenshot(CaptureStore& store, const std::string& captureID) {
    // Screenshot-like content: panels, buttons and many lines of text, so that decoding and
    // encoding cost what a real screenshot does.
    auto image = Image::create({3024, 1964});
    cairo_t* cr = cairo_create(image->surface());
    cairo_set_source_rgb(cr, 0.97, 0.97, 0.98);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.16, 0.17, 0.2);
    cairo_rectangle(cr, 0, 0, 520, 1964);
    cairo_fill(cr);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 26);
    for (int line = 0; line < 60; ++line) {
        double y = 60 + line * 31;
        cairo_set_source_rgb(cr, 0.85, 0.86, 0.9);
        cairo_move_to(cr, 40, y);
        cairo_show_text(cr, ("Sidebar entry " + std::to_string(line)).c_str());
        cairo_set_source_rgb(cr, 0.1 + 0.01 * (line % 7), 0.1, 0.12);
        cairo_move_to(cr, 580, y);
        cairo_show_text(cr, ("Line " + std::to_string(line) +
                             ": the quick brown fox jumps over the lazy dog, 0123456789 "
                             "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz")
                                .c_str());
    }
    for (int button = 0; button < 12; ++button) {
        cairo_set_source_rgb(cr, 0.2 + 0.05 * button, 0.45, 0.95 - 0.04 * button);
        cairo_rectangle(cr, 600 + button * 190, 1880, 170, 56);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    cairo_surface_mark_dirty(image->surface());
    auto png = image->encodePNG();
    std::string relative = "2026/03/" + captureID + ".png";
    auto file = *TavroPaths::imageFilePath(relative);
    TavroPaths::ensureParentDirectory(file);
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), std::streamsize(png->size()));
    store.addImage(CaptureImage{.id = makeUUID(),
                                .captureID = captureID,
                                .position = -1,
                                .imagePath = relative,
                                .width = 3024,
                                .height = 1964,
                                .bytes = std::int64_t(png->size()),
                                .createdAt = now()});
    return relative;
}

void spawnInitializeToolsList(benchmark::State& state) {
    static Folder home = makeLibrary(1000);
    setenv("TAVRO_HOME", home.c_str(), 1);
    const std::string input =
        R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18"}})"
        "\n"
        R"({"jsonrpc":"2.0","method":"notifications/initialized"})"
        "\n"
        R"({"jsonrpc":"2.0","id":2,"method":"tools/list"})"
        "\n";
    for (auto _ : state) {
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC))
            state.SkipWithError("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>(TAVRO_MCP), nullptr};
        pid_t pid;
        posix_spawn(&pid, TAVRO_MCP, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        (void)!write(in[1], input.data(), input.size());
        close(in[1]);
        std::string reply;
        char buffer[65536];
        for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;)
            reply.append(buffer, size_t(n));
        close(out[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        if (std::count(reply.begin(), reply.end(), '\n') != 2)
            state.SkipWithError("expected two replies");
    }
}

void getCaptureWithLargeScreenshot(benchmark::State& state) {
    static Folder home = makeLibrary(10);
    setenv("TAVRO_HOME", home.c_str(), 1);
    auto store = std::make_shared<CaptureStore>(TavroPaths::databasePath());
    static std::string id = [&] {
        auto first = store->captures(CaptureQuery{.limit = 1})[0].id;
        writeScreenshot(*store, first);
        return first;
    }();
    TavroMCPServer server(-1, store, "bench");
    JSONRPC::Request request{JSON(1), "tools/call",
                             JSON{{"name", "get_capture"}, {"arguments", {{"id", id}}}}};
    for (auto _ : state) {
        auto line = JSONRPC::serialize(*server.reply(request));
        benchmark::DoNotOptimize(line);
        if (!line || line->find("\"image\"") == std::string::npos)
            state.SkipWithError("no image block");
    }
}

void listCaptures200(benchmark::State& state) {
    static Folder home = makeLibrary(10'000);
    setenv("TAVRO_HOME", home.c_str(), 1);
    auto store = std::make_shared<CaptureStore>(TavroPaths::databasePath());
    TavroMCPServer server(-1, store, "bench");
    JSONRPC::Request request{JSON(1), "tools/call",
                             JSON{{"name", "list_captures"}, {"arguments", {{"limit", 200}}}}};
    for (auto _ : state) {
        auto line = JSONRPC::serialize(*server.reply(request));
        benchmark::DoNotOptimize(line);
    }
}

} // namespace

BENCHMARK(spawnInitializeToolsList)->Unit(benchmark::kMillisecond);
BENCHMARK(getCaptureWithLargeScreenshot)->Unit(benchmark::kMillisecond);
BENCHMARK(listCaptures200)->Unit(benchmark::kMillisecond);
