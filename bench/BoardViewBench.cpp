// The board window's GUI thread over the facade's published boards, with the real view offscreen
// (1180 by 760, every capture with a picture). Goals, as the GUI thread's own time: after another
// program changed one capture shown under All Captures, from the publish to the thread idle again
// (painting included) within 2 ms at 100,000 captures, and at 100,000 within twice the time at
// 1,000; a switch of the sidebar's filter and a key in the search field, each to the painted
// board, within 16 ms at 100,000.
#include "BusyLibrary.h"
#include "NoActions.h"
#include "OffscreenApplication.h"
#include "ThreadTime.h"
#include "board/BoardView.h"
#include "desktop/StoreChangeListener.h"
#include "library/Library.h"
#include "library/ThumbnailLoader.h"
#include "model/Paths.h"
#include "store/CaptureStore.h"
#include "values/Preferences.h"
#include "values/Utf8.h"

#include <QElapsedTimer>
#include <QImage>
#include <QSettings>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

using namespace tavro;
using tavro::bench::threadSeconds;

namespace {

QApplication& application() {
    static char name[] = "tavro_board_view_bench";
    return bench::offscreenApplication(name);
}

// Until nothing is left to run: the published reload, then the paints it asked for.
void idle(const Library& library) {
    while (library.reloadPending())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// The board window over a busy library, shown, its captures sharing one real thumbnail that is
// read before anything is timed.
struct BoardWindow : bench::BusyLibrary {
    explicit BoardWindow(int count)
        : BusyLibrary((application(), count)) {
        QImage picture(900, 560, QImage::Format_RGB32);
        picture.fill(QColor(0x4F5BD5));
        const QString thumbnail = toQString((TavroPaths::thumbsRoot() / "bench.jpg").string());
        picture.save(thumbnail);
        store->db().executeRaw("UPDATE captures SET thumb_path = 'bench.jpg';");
        library = std::make_unique<Library>(TavroPaths::databasePath(), thumbnails,
                                            std::make_unique<StoreChangeListener>());
        view = std::make_unique<BoardView>(*library, preferences, actions);
        view->setFilter(LibraryFilter::everything());
        view->resize(1180, 760);
        view->show();
        QElapsedTimer waited;
        waited.start();
        while (!thumbnails.cached(thumbnail) && waited.elapsed() < 10000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        idle(*library);
    }

    QSettings legacy{toQString((home / "legacy.conf").string()), QSettings::IniFormat};
    Preferences preferences{std::make_unique<QSettings>(toQString((home / "current.conf").string()),
                                                        QSettings::IniFormat),
                            legacy};
    bench::NoActions actions;
    ThumbnailLoader thumbnails;
    std::unique_ptr<Library> library;
    std::unique_ptr<BoardView> view;
};

void BM_BoardRefreshAfterOneChange(benchmark::State& state) {
    BoardWindow window(int(state.range(0)));
    Library& library = *window.library;
    CaptureStore agent(TavroPaths::databasePath(), std::make_shared<NullStoreChangeNotifier>());
    const std::string id = library.captures().front().id;
    double published = 0;
    QObject::connect(&library, &Library::changed, [&] {
        if (published == 0)
            published = threadSeconds();
    });
    int round = 0;
    for (auto _ : state) {
        agent.setStatus(id, round++ % 2 ? CaptureStatus::open : CaptureStatus::resolved, "agent");
        published = 0;
        library.checkForChanges();
        idle(library);
        if (published == 0) {
            state.SkipWithError("the change was not published");
            break;
        }
        state.SetIterationTime(threadSeconds() - published);
    }
    state.counters["captures"] = double(library.captures().size());
}
BENCHMARK(BM_BoardRefreshAfterOneChange)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Between All Captures and the inbox, which holds half of them.
void BM_BoardFilterSwitch(benchmark::State& state) {
    BoardWindow window(int(state.range(0)));
    int round = 0;
    for (auto _ : state) {
        const double start = threadSeconds();
        window.view->setFilter(round++ % 2 ? LibraryFilter::everything() : LibraryFilter::inbox());
        idle(*window.library);
        state.SetIterationTime(threadSeconds() - start);
    }
}
BENCHMARK(BM_BoardFilterSwitch)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

// A key typed and taken back in turns: "checkout flow 1" finds a quarter of the board,
// "checkout flow 12" a fortieth.
void BM_BoardSearchKeystroke(benchmark::State& state) {
    BoardWindow window(int(state.range(0)));
    window.view->setSearch(QStringLiteral("checkout flow 1"));
    idle(*window.library);
    int round = 0;
    for (auto _ : state) {
        const double start = threadSeconds();
        window.view->setSearch(round++ % 2 ? QStringLiteral("checkout flow 1")
                                           : QStringLiteral("checkout flow 12"));
        idle(*window.library);
        state.SetIterationTime(threadSeconds() - start);
    }
}
BENCHMARK(BM_BoardSearchKeystroke)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
