// A capture saved through the facade while another process holds the library's write lock for
// 3 s. Goal: the GUI thread's longest stall, measured by a 10 ms ticker, at most 50 ms, and the
// capture stored once the lock is released. The second benchmark writes on the GUI thread's own
// connection instead, as a baseline of what waiting on the lock there costs.
#include "StallTicker.h"
#include "desktop/StoreChangeListener.h"
#include "library/Library.h"
#include "library/ThumbnailLoader.h"
#include "model/Paths.h"
#include "model/Uuid.h"
#include "store/CaptureStore.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>

namespace fs = std::filesystem;
using namespace tavro;

namespace {

constexpr int lockHeldSeconds = 3;

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "tavro_library_write_bench";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

struct ThrowAwayLibrary {
    ThrowAwayLibrary()
        : home(fs::temp_directory_path() / ("tavro-bench-" + makeUUID())) {
        application();
        setenv("TAVRO_HOME", home.c_str(), 1);
        TavroPaths::ensureDirectories();
        store = std::make_shared<CaptureStore>(TavroPaths::databasePath(),
                                               std::make_shared<NullStoreChangeNotifier>());
    }
    ~ThrowAwayLibrary() {
        std::error_code ignored;
        fs::remove_all(home, ignored);
    }

    fs::path home;
    std::shared_ptr<CaptureStore> store;
};

// The sqlite3 shell in a process of its own, holding the write lock for `seconds` once it
// says so.
class LockHolder {
public:
    explicit LockHolder(int seconds) {
        const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        if (shell.isEmpty())
            return;
        process_.start(shell, {QString::fromStdString(TavroPaths::databasePath().string())});
        if (!process_.waitForStarted(5000))
            return;
        // The shell's own output waits in a pipe buffer; a command it runs writes at once.
        process_.write(QStringLiteral("BEGIN IMMEDIATE;\n.shell echo locked\n.shell sleep %1\n"
                                      "COMMIT;\n")
                           .arg(seconds)
                           .toUtf8());
        process_.closeWriteChannel();
        QByteArray said;
        while (!said.contains("locked") && process_.state() == QProcess::Running) {
            process_.waitForReadyRead(100);
            said += process_.readAllStandardOutput();
        }
        locked_ = process_.state() == QProcess::Running;
    }
    ~LockHolder() { process_.waitForFinished(10000); }

    bool locked() const { return locked_; }

private:
    QProcess process_;
    bool locked_ = false;
};

// The longest stall of the calling thread's event loop while `body` runs it.
double longestStallMs(const std::function<void()>& body) {
    tavro::bench::StallTicker ticker;
    body();
    return ticker.longestGapMs();
}

Capture newCapture() {
    Capture capture;
    capture.id = makeUUID();
    capture.createdAt = capture.updatedAt = now();
    capture.note = "saved while the lock is held";
    return capture;
}

void BM_SaveWhileAnotherProcessHoldsTheLock(benchmark::State& state) {
    ThrowAwayLibrary library;
    ThumbnailLoader thumbnails;
    Library facade(TavroPaths::databasePath(), thumbnails, std::make_unique<StoreChangeListener>());
    while (facade.reloadPending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    double longest = 0;
    int stored = 0;
    for (auto _ : state) {
        LockHolder holder(lockHeldSeconds);
        if (!holder.locked()) {
            state.SkipWithError("the sqlite3 shell could not take the lock");
            return;
        }
        const Capture capture = newCapture();
        std::optional<WriteResult<>> answer;
        QObject context;
        longest = std::max(
            longest, longestStallMs([&] {
                facade.add(capture, {"ui"}, {}).then(&context, [&](const WriteResult<>& result) {
                    answer.emplace(result);
                });
                while (!answer)
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }));
        if (*answer && library.store->capture(capture.id))
            ++stored;
    }
    state.counters["longest_stall_ms"] = longest;
    state.counters["stored"] = double(stored);
}
BENCHMARK(BM_SaveWhileAnotherProcessHoldsTheLock)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_BaselineWriteOnTheGuiThreadWhileTheLockIsHeld(benchmark::State& state) {
    ThrowAwayLibrary library;
    double longest = 0;
    for (auto _ : state) {
        LockHolder holder(lockHeldSeconds);
        if (!holder.locked()) {
            state.SkipWithError("the sqlite3 shell could not take the lock");
            return;
        }
        longest = std::max(longest, longestStallMs([&] {
                               library.store->insert(newCapture());
                               QCoreApplication::processEvents();
                           }));
    }
    state.counters["longest_stall_ms"] = longest;
}
BENCHMARK(BM_BaselineWriteOnTheGuiThreadWhileTheLockIsHeld)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

} // namespace
