// What an agent waits for: starting tavro-mcp through its first tools/list, looking at a capture
// with a full-size screenshot, and listing captures of a large board.
#include "JSONRPC.h"
#include "SpawnedProcess.h"
#include "TavroMCPServer.h"
#include "model/Image.h"
#include "model/Paths.h"
#include "model/Uuid.h"
#include "store/CaptureStore.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <utility>

namespace fs = std::filesystem;
using namespace tavro;

namespace {

// Removes a benchmark's library folder when the program ends.
struct Folder {
    fs::path path;
    explicit Folder(fs::path made)
        : path(std::move(made)) {}
    Folder(Folder&& other) noexcept
        : path(std::exchange(other.path, {})) {}
    ~Folder() {
        std::error_code error;
        if (!path.empty())
            fs::remove_all(path, error);
    }
    const char* c_str() const { return path.c_str(); }
};

// A library folder of its own for each board size, made once per run.
Folder makeLibrary(int captures) {
    std::string pattern = (fs::temp_directory_path() / "tavro-bench-XXXXXX").string();
    fs::path home = mkdtemp(pattern.data());
    setenv("TAVRO_HOME", home.c_str(), 1);
    CaptureStore store(TavroPaths::databasePath(), defaultStoreChangeNotifier());
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

// The C floors beside each figure are built in this run: read the ratios, not the times, on a
// loaded machine.
//
// Goals: spawn to tools/list at most 1.5 times the C floor server's start (SQLite opened with
// the same pragmas); get_capture of a 3024x1964 screenshot at 1400 px as a whole spawned process
// at most 1.5 times the streaming libpng floor, within 24 MiB; list_captures limit 200 on 10,000
// captures at most 1.5 times the same rows read through the SQLite C API; the board's first page
// of 25 on 100,000 captures at most 1.5 times reading those 25 rows by id.

const std::string handshake =
    R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18"}})"
    "\n"
    R"({"jsonrpc":"2.0","method":"notifications/initialized"})"
    "\n"
    R"({"jsonrpc":"2.0","id":2,"method":"tools/list"})"
    "\n";

void reportRuns(benchmark::State& state, const std::vector<bench::ProcessRun>& runs) {
    double faults = 0, peak = 0;
    for (const auto& run : runs) {
        faults += double(run.pageFaults);
        peak = std::max(peak, run.peakMiB);
    }
    state.counters["faults"] = runs.empty() ? 0 : faults / double(runs.size());
    state.counters["peak_MiB"] = peak;
}

// Spawns the program once per iteration, timed from outside.
void spawnEach(benchmark::State& state, const std::vector<std::string>& argv,
               const std::string& input, size_t expectedLines) {
    std::vector<bench::ProcessRun> runs;
    for (auto _ : state) {
        auto run = bench::runProcess(argv, input);
        state.SetIterationTime(run.seconds);
        if (run.exitStatus != 0 ||
            size_t(std::count(run.output.begin(), run.output.end(), '\n')) != expectedLines) {
            state.SkipWithError("unexpected output");
            break;
        }
        run.output.clear();
        runs.push_back(std::move(run));
    }
    reportRuns(state, runs);
}

const Folder& startLibrary() {
    static Folder home = makeLibrary(1000);
    return home;
}

void spawnInitializeToolsList(benchmark::State& state) {
    setenv("TAVRO_HOME", startLibrary().c_str(), 1);
    spawnEach(state, {TAVRO_MCP}, handshake, 2);
}

void handshakeFloor(benchmark::State& state) {
    setenv("TAVRO_HOME", startLibrary().c_str(), 1);
    // The floor answers with the server's own replies, byte for byte.
    static const fs::path replies = [] {
        auto run = bench::runProcess({TAVRO_MCP}, handshake);
        fs::path file = startLibrary().path / "replies.jsonl";
        std::ofstream(file) << run.output;
        return file;
    }();
    spawnEach(state, {TAVRO_HANDSHAKE_FLOOR, TavroPaths::databasePath().string(), replies.string()},
              handshake, 2);
}

struct ScreenshotLibrary {
    Folder home;
    std::string captureID;
    std::string file;
};

const ScreenshotLibrary& screenshotLibrary() {
    static ScreenshotLibrary library = [] {
        ScreenshotLibrary made{makeLibrary(10)};
        CaptureStore store(TavroPaths::databasePath(), defaultStoreChangeNotifier());
        made.captureID = store.captures(CaptureQuery{.limit = 1})[0].id;
        made.file = TavroPaths::imageFilePath(writeScreenshot(store, made.captureID))->string();
        return made;
    }();
    setenv("TAVRO_HOME", library.home.c_str(), 1);
    return library;
}

void spawnGetCapture(benchmark::State& state) {
    const auto& library = screenshotLibrary();
    const std::string input =
        R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"protocolVersion":"2025-06-18"}})"
        "\n"
        R"({"jsonrpc":"2.0","id":2,"method":"tools/call","params":{"name":"get_capture",)"
        R"("arguments":{"id":")" +
        library.captureID + R"(","max_image_edge":1400}}})" + "\n";
    spawnEach(state, {TAVRO_MCP}, input, 2);
}

void streamingPngFloor(benchmark::State& state) {
    const auto& library = screenshotLibrary();
    spawnEach(state, {TAVRO_STREAMING_PNG_FLOOR, library.file, "1400"}, "", 1);
}

void getCaptureWithLargeScreenshot(benchmark::State& state) {
    const auto& library = screenshotLibrary();
    auto store =
        std::make_shared<CaptureStore>(TavroPaths::databasePath(), defaultStoreChangeNotifier());
    TavroMCPServer server(-1, store, "bench");
    JSONRPC::Request request{
        JSON(1), "tools/call",
        JSON{{"name", "get_capture"}, {"arguments", {{"id", library.captureID}}}}};
    for (auto _ : state) {
        auto line = JSONRPC::serialize(*server.reply(request));
        benchmark::DoNotOptimize(line);
        if (!line || line->find("\"image\"") == std::string::npos)
            state.SkipWithError("no image block");
    }
}

const Folder& listingLibrary(int captures) {
    static std::map<int, Folder> made;
    auto it = made.find(captures);
    if (it == made.end())
        it = made.emplace(captures, makeLibrary(captures)).first;
    setenv("TAVRO_HOME", it->second.c_str(), 1);
    return it->second;
}

void listCaptures(benchmark::State& state) {
    listingLibrary(int(state.range(0)));
    auto store =
        std::make_shared<CaptureStore>(TavroPaths::databasePath(), defaultStoreChangeNotifier());
    TavroMCPServer server(-1, store, "bench");
    JSONRPC::Request request{
        JSON(1), "tools/call",
        JSON{{"name", "list_captures"}, {"arguments", {{"limit", state.range(1)}}}}};
    for (auto _ : state) {
        auto line = JSONRPC::serialize(*server.reply(request));
        benchmark::DoNotOptimize(line);
    }
}

struct Connection {
    sqlite3* handle = nullptr;
    ~Connection() { sqlite3_close(handle); }
};

// Steps a statement to its end, reading every column of every row as what it holds.
size_t readAll(sqlite3* db, const std::string& sql, const std::vector<std::string>& texts,
               const std::vector<std::int64_t>& numbers, std::vector<std::string>* firstColumn) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &statement, nullptr);
    int index = 1;
    for (const auto& text : texts)
        sqlite3_bind_text(statement, index++, text.c_str(), int(text.size()), SQLITE_STATIC);
    for (auto number : numbers)
        sqlite3_bind_int64(statement, index++, number);
    size_t bytes = 0;
    while (sqlite3_step(statement) == SQLITE_ROW) {
        for (int column = 0; column < sqlite3_column_count(statement); ++column) {
            switch (sqlite3_column_type(statement, column)) {
            case SQLITE_INTEGER:
                bytes += size_t(sqlite3_column_int64(statement, column) & 1);
                break;
            case SQLITE_FLOAT:
                bytes += sqlite3_column_double(statement, column) > 0;
                break;
            case SQLITE_TEXT:
                sqlite3_column_text(statement, column);
                bytes += size_t(sqlite3_column_bytes(statement, column));
                break;
            default:
                break;
            }
        }
        if (firstColumn)
            firstColumn->emplace_back(
                reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    return bytes;
}

// What a listing reads beside its rows: the tags, comments and screenshots of the listed ones.
size_t readBeside(sqlite3* db, const std::vector<std::string>& ids) {
    std::string in = " IN (";
    for (size_t i = 0; i < ids.size(); ++i)
        in += i ? ",?" : "?";
    in += ")";
    size_t bytes = readAll(db,
                           "SELECT ct.capture_id, t.name FROM capture_tags ct JOIN tags t ON t.id "
                           "= ct.tag_id WHERE ct.capture_id" +
                               in + " ORDER BY ct.capture_id, t.name COLLATE NOCASE, t.name;",
                           ids, {}, nullptr);
    bytes += readAll(db,
                     "SELECT capture_id, COUNT(*) AS n FROM comments WHERE capture_id" + in +
                         " GROUP BY capture_id;",
                     ids, {}, nullptr);
    bytes += readAll(db,
                     "SELECT capture_id, COUNT(*) AS n FROM capture_images WHERE deleted_at IS "
                     "NULL AND capture_id" +
                         in + " GROUP BY capture_id;",
                     ids, {}, nullptr);
    return bytes;
}

const std::string boardOrder = " ORDER BY CASE c.priority WHEN 'high' THEN 0 WHEN 'normal' THEN "
                               "1 ELSE 2 END, c.created_at DESC";

// The listing's rows through the C API: the page as the sqlite3 shell would read it, and what is
// shown beside those rows. The same statements in every build, so that before and after compare.
void listCapturesFloor(benchmark::State& state) {
    listingLibrary(int(state.range(0)));
    Connection db;
    sqlite3_open_v2(TavroPaths::databasePath().c_str(), &db.handle, SQLITE_OPEN_READWRITE, nullptr);
    const std::string page =
        "SELECT c.* FROM captures c WHERE c.rowid IN (SELECT c.rowid FROM captures c WHERE "
        "c.deleted_at IS NULL AND c.status IN (?,?)" +
        boardOrder + " LIMIT ? OFFSET ?)" + boardOrder + ";";
    for (auto _ : state) {
        std::vector<std::string> ids;
        size_t bytes = readAll(db.handle, page, {"open", "in_progress"}, {state.range(1), 0}, &ids);
        bytes += readBeside(db.handle, ids);
        benchmark::DoNotOptimize(bytes);
    }
}

// What a page costs when nothing has to be sorted: the same rows read by id.
void pageRowsByID(benchmark::State& state) {
    listingLibrary(int(state.range(0)));
    Connection db;
    sqlite3_open_v2(TavroPaths::databasePath().c_str(), &db.handle, SQLITE_OPEN_READWRITE, nullptr);
    std::vector<std::string> ids;
    readAll(db.handle,
            "SELECT c.id FROM captures c WHERE c.deleted_at IS NULL AND c.status IN "
            "('open','in_progress')" +
                boardOrder + " LIMIT " + std::to_string(state.range(1)) + ";",
            {}, {}, &ids);
    std::string marks;
    for (size_t i = 0; i < ids.size(); ++i)
        marks += i ? ",?" : "?";
    for (auto _ : state) {
        size_t bytes = readAll(db.handle, "SELECT * FROM captures WHERE id IN (" + marks + ");",
                               ids, {}, nullptr);
        bytes += readBeside(db.handle, ids);
        benchmark::DoNotOptimize(bytes);
    }
}

} // namespace

BENCHMARK(spawnInitializeToolsList)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(handshakeFloor)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(spawnGetCapture)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(streamingPngFloor)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(getCaptureWithLargeScreenshot)->Unit(benchmark::kMillisecond);
BENCHMARK(listCaptures)->Args({10'000, 200})->Args({100'000, 25})->Unit(benchmark::kMillisecond);
BENCHMARK(listCapturesFloor)
    ->Args({10'000, 200})
    ->Args({100'000, 25})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(pageRowsByID)->Args({100'000, 25})->Unit(benchmark::kMillisecond);
