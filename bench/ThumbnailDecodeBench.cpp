// Reading the board grid's thumbnails: one decode of a 900-pixel JPEG thumbnail, a screenful of
// them read cold through the loader, and a cache hit.
#include "files/LibraryFiles.h"
#include "files/ScreenshotFiles.h"
#include "library/ThumbnailLoader.h"
#include "values/QtImage.h"
#include "values/Utf8.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <vector>

namespace fs = std::filesystem;
using namespace tavro;

namespace {

constexpr int gridThumbnails = 30;

QGuiApplication& application() {
    static int argc = 1;
    static char name[] = "tavro_thumbnail_bench";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    return app;
}

// A thumbnail as a screenshot gets it from a 2560x1440 original: 900x506, JPEG at 0.82.
QString writeThumbnail(const fs::path& folder, int index) {
    QImage shot(2560, 1440, QImage::Format_RGB32);
    shot.fill(QColor(0xF6, 0xF6, 0xF8));
    QPainter painter(&shot);
    QLinearGradient gradient(0, 0, 2560, 0);
    gradient.setColorAt(0, QColor(0x4F, 0x5B, 0xD5));
    gradient.setColorAt(1, QColor(0x7C, 0x8B, 0xFF));
    painter.fillRect(0, 0, 2560, 144, gradient);
    for (int y = 200; y < 1440; y += 36)
        painter.drawText(
            40, y, QStringLiteral("Line %1 of screenshot %2 with some text").arg(y).arg(index));
    painter.end();
    const auto jpeg = ScreenshotFiles::thumbnailJPEG(*QtImage::copyFrom(shot));
    const fs::path file = folder / ("thumb-" + std::to_string(index) + ".jpg");
    LibraryFiles::writeAtomically(file, *jpeg);
    return toQString(file.string());
}

struct Thumbnails {
    Thumbnails() {
        application();
        fs::remove_all(folder);
        fs::create_directories(folder);
        for (int i = 0; i < gridThumbnails; ++i)
            paths.push_back(writeThumbnail(folder, i));
    }
    fs::path folder = fs::temp_directory_path() / "tavro-bench-thumbnails";
    std::vector<QString> paths;
};

const Thumbnails& thumbnails() {
    static Thumbnails made;
    return made;
}

void BM_DecodeGridThumbnail(benchmark::State& state) {
    const QString path = thumbnails().paths.front();
    for (auto _ : state) {
        QImageReader reader(path);
        QImage image = reader.read();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DecodeGridThumbnail)->Unit(benchmark::kMillisecond);

void BM_LoadGridColdThroughLoader(benchmark::State& state) {
    const auto& paths = thumbnails().paths;
    ThumbnailLoader loader;
    for (auto _ : state) {
        for (const auto& path : paths)
            loader.evict(path);
        int delivered = 0;
        for (const auto& path : paths)
            loader.load(path, nullptr, [&delivered](const QImage&) { ++delivered; });
        while (delivered < gridThumbnails)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    state.SetItemsProcessed(state.iterations() * gridThumbnails);
}
BENCHMARK(BM_LoadGridColdThroughLoader)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadCacheHit(benchmark::State& state) {
    const QString path = thumbnails().paths.front();
    ThumbnailLoader loader;
    bool done = false;
    loader.load(path, nullptr, [&done](const QImage&) { done = true; });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    for (auto _ : state) {
        loader.load(path, nullptr, [](const QImage& image) { benchmark::DoNotOptimize(&image); });
    }
}
BENCHMARK(BM_LoadCacheHit);

} // namespace
