// The mark-up editor on a 5120x2880 screenshot: opening it, committing a shape, a mouse move in
// a long stroke, and the whole save through the attachment service onto a real store.
#include "compose/MarkupDraftPainter.h"
#include "compose/MarkupEditorState.h"
#include "library/AttachmentService.h"
#include "model/Paths.h"
#include "store/CaptureStore.h"
#include "values/QtImage.h"

#include "SyntheticScreenshot.h"

#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;
using namespace tavro;

namespace {

constexpr PixelSize fiveK{5120, 2880};
// The canvas of a 940 by 700 window: the image fitted into it.
const CanvasRect shownFrame = MarkupGeometry::fittedRect(908, 590, fiveK);

// 50 shapes as a user might leave them: strokes, arrows, boxes, circles, highlights, 5 blurs.
Annotation fiftyShapes() {
    Annotation annotation;
    std::mt19937 random(5);
    std::uniform_real_distribution<double> unit(0.05, 0.85);
    const auto span = [&](AnnotationTool tool, const char* color) {
        const double x = unit(random), y = unit(random);
        annotation.shapes.push_back({std::to_string(annotation.shapes.size()),
                                     tool,
                                     color,
                                     0.005,
                                     {{x, y}, {x + 0.1, y + 0.08}}});
    };
    for (int stroke = 0; stroke < 30; ++stroke) {
        AnnotationShape pen{std::to_string(stroke), AnnotationTool::pen, "#FF3B30", 0.005, {}};
        double x = unit(random), y = unit(random);
        for (int i = 0; i < 80; ++i) {
            pen.points.push_back({x, y});
            x += 0.002 * std::cos(i * 0.1 + stroke);
            y += 0.002 * std::sin(i * 0.13 + stroke);
        }
        annotation.shapes.push_back(pen);
    }
    for (int i = 0; i < 5; ++i)
        span(AnnotationTool::arrow, "#0A84FF");
    for (int i = 0; i < 5; ++i)
        span(AnnotationTool::rectangle, "#34C759");
    for (int i = 0; i < 3; ++i)
        span(AnnotationTool::ellipse, "#AF52DE");
    for (int i = 0; i < 2; ++i)
        span(AnnotationTool::highlight, "#FFCC00");
    for (int i = 0; i < 5; ++i)
        span(AnnotationTool::blur, "#000000");
    return annotation;
}

// A library in a temporary folder with one stored 5K screenshot.
struct StoredScreenshot {
    StoredScreenshot() {
        setenv("TAVRO_HOME", folder.c_str(), 1);
        TavroPaths::ensureDirectories();
        store = std::make_unique<CaptureStore>(TavroPaths::databasePath(),
                                               defaultStoreChangeNotifier());
        Capture capture;
        capture.id = "bench-capture";
        capture.createdAt = capture.updatedAt = now();
        store->insert(capture);
        row.id = "bench-image";
        row.captureID = capture.id;
        row.imagePath = "2026/12/bench-image.png";
        row.width = fiveK.width;
        row.height = fiveK.height;
        const auto png = bench::syntheticScreenshot(fiveK).encodePNG();
        file = TavroPaths::capturesRoot() / row.imagePath;
        fs::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(png->data()), std::streamsize(png->size()));
        row.bytes = std::int64_t(png->size());
        row = store->addImage(row);
    }
    ~StoredScreenshot() {
        store.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    fs::path folder =
        fs::temp_directory_path() / ("tavro-markup-bench-" + std::to_string(getpid()));
    std::unique_ptr<CaptureStore> store;
    CaptureImage row;
    fs::path file;
};

StoredScreenshot& stored() {
    static StoredScreenshot screenshot;
    return screenshot;
}

long residentKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return 0;
}

// Decoding the PNG, reducing it to the working image and drawing the first preview as the
// canvas shows it.
void BM_OpenToFirstPreview(benchmark::State& state) {
    const fs::path& file = stored().file;
    const Annotation marks = fiftyShapes();
    for (auto _ : state) {
        auto original = Image::load(file);
        MarkupEditorState editor(*original, marks, {});
        original.reset();
        const QImage shown = QtImage::view(editor.preview())
                                 .scaled(int(shownFrame.width), int(shownFrame.height),
                                         Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        benchmark::DoNotOptimize(shown.constBits());
    }
}
BENCHMARK(BM_OpenToFirstPreview)->Unit(benchmark::kMillisecond)->UseRealTime();

// Committing the 50th shape of the given tool; a blur draws the whole preview again.
void commitFiftieth(benchmark::State& state, AnnotationTool tool) {
    const auto original = Image::load(stored().file);
    Annotation marks = fiftyShapes();
    marks.shapes.pop_back();
    MarkupEditorState editor(*original, marks, {std::string(rawValue(tool))});
    for (auto _ : state) {
        editor.dragChanged({100, 100}, {100, 100}, shownFrame);
        editor.dragChanged({100, 100}, {400, 300}, shownFrame);
        editor.dragEnded();
        benchmark::DoNotOptimize(editor.preview());
        state.PauseTiming();
        editor.undo();
        state.ResumeTiming();
    }
}
void BM_CommitBoxWith50Shapes(benchmark::State& state) {
    commitFiftieth(state, AnnotationTool::rectangle);
}
BENCHMARK(BM_CommitBoxWith50Shapes)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_CommitBlurWith50Shapes(benchmark::State& state) {
    commitFiftieth(state, AnnotationTool::blur);
}
BENCHMARK(BM_CommitBlurWith50Shapes)->Unit(benchmark::kMillisecond)->UseRealTime();

// One more point of a stroke that already has 2,000, and the canvas painted again: the shown
// preview copied in and the stroke's outline drawn over it.
void BM_MouseMoveIn2000PointStroke(benchmark::State& state) {
    const auto original = Image::load(stored().file);
    MarkupEditorState editor(*original, fiftyShapes(), {});
    const QImage shown =
        QtImage::view(editor.preview()).scaled(int(shownFrame.width), int(shownFrame.height));
    QImage canvas(908, 590, QImage::Format_ARGB32_Premultiplied);
    const CanvasPoint start{200, 200};
    editor.dragChanged(start, start, shownFrame);
    for (int i = 0; i < 2000; ++i)
        editor.dragChanged(start, {200 + 300 * std::sin(i * 0.01), 200 + 150 * std::cos(i * 0.013)},
                           shownFrame);
    MarkupDraftPainter::Layer layer;
    layer.update(*editor.draft(), shownFrame, 1.0);
    int i = 0;
    for (auto _ : state) {
        ++i;
        editor.dragChanged(start, {500 + std::sin(i * 0.1), 300 + std::cos(i * 0.1)}, shownFrame);
        QPainter painter(&canvas);
        painter.drawImage(QPointF(shownFrame.x, shownFrame.y), shown);
        layer.update(*editor.draft(), shownFrame, 1.0);
        layer.paint(painter);
        painter.end();
        benchmark::DoNotOptimize(canvas.constBits());
    }
    state.counters["points"] = double(editor.draft()->points.size());
}
BENCHMARK(BM_MouseMoveIn2000PointStroke)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(400);

// Full-size render, PNG, thumbnail and the row; the peak memory is the growth of the process's
// high-water mark over what it held before the first save.
void BM_SaveMarkUp5K(benchmark::State& state) {
    StoredScreenshot& screenshot = stored();
    const Annotation marks = fiftyShapes();
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = residentKiB("VmRSS:");
    for (auto _ : state)
        AttachmentService::saveAnnotation(marks, screenshot.row, [&](const CaptureImage& row) {
            screenshot.store->updateImage(row);
        });
    state.counters["peak_MiB"] = double(residentKiB("VmHWM:") - before) / 1024;
    state.counters["png_kB"] =
        double(fs::file_size(TavroPaths::capturesRoot() / "2026/12/bench-image-marked.png")) / 1024;
}
BENCHMARK(BM_SaveMarkUp5K)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
