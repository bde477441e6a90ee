// The image work both programs pay for: flattening mark-up onto a full-size screenshot (the
// app's attachment service), and reading, shrinking and re-encoding a screenshot for an agent
// (the agent server), compared with ImageMagick doing the same on the same file.
#include "model/AnnotationRenderer.h"
#include "model/Image.h"

#include "SyntheticScreenshot.h"

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;
using namespace tavro;
using tavro::bench::syntheticScreenshot;

namespace {

Annotation benchmarkMarkUp(PixelSize size) {
    Annotation annotation;
    std::mt19937 random(11);
    std::uniform_real_distribution<double> unit(0.05, 0.95);
    for (int stroke = 0; stroke < 10; ++stroke) {
        AnnotationShape pen{"pen", AnnotationTool::pen, "#FF3B30", 0.005, {}};
        double x = unit(random), y = unit(random);
        for (int i = 0; i < 120; ++i) {
            pen.points.push_back({x, y});
            x += 0.002 * std::cos(i * 0.1 + stroke);
            y += 0.002 * std::sin(i * 0.13 + stroke);
        }
        annotation.shapes.push_back(pen);
    }
    for (int arrow = 0; arrow < 3; ++arrow)
        annotation.shapes.push_back({"arrow",
                                     AnnotationTool::arrow,
                                     "#0A84FF",
                                     0.009,
                                     {{unit(random), unit(random)}, {unit(random), unit(random)}}});
    // Two blur areas of 1000 x 600 pixels.
    const double w = 1000.0 / size.width, h = 600.0 / size.height;
    annotation.shapes.push_back(
        {"blur1", AnnotationTool::blur, "#000000", 0.005, {{0.1, 0.1}, {0.1 + w, 0.1 + h}}});
    annotation.shapes.push_back(
        {"blur2", AnnotationTool::blur, "#000000", 0.005, {{0.5, 0.5}, {0.5 + w, 0.5 + h}}});
    return annotation;
}

const fs::path& screenshotFile() {
    static const fs::path file = [] {
        auto path = fs::temp_directory_path() / "tavro-bench-screenshot.png";
        const auto png = syntheticScreenshot({3024, 1964}).encodePNG();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(png->data()), std::streamsize(png->size()));
        return path;
    }();
    return file;
}

void BM_RenderMarkUp5K(benchmark::State& state) {
    const PixelSize size{5120, 2880};
    const Image screenshot = syntheticScreenshot(size);
    const Annotation annotation = benchmarkMarkUp(size);
    for (auto _ : state) {
        auto result = AnnotationRenderer::render(annotation, screenshot);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_RenderMarkUp5K)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodeDownscaleEncodePNG(benchmark::State& state) {
    const fs::path& file = screenshotFile();
    state.counters["file_kB"] = double(fs::file_size(file)) / 1024;
    size_t bytes = 0;
    for (auto _ : state) {
        auto image = Image::load(file);
        auto small = image->downscaled(1400);
        auto png = small->encodePNG();
        bytes = png->size();
        benchmark::DoNotOptimize(png);
    }
    state.counters["png_kB"] = double(bytes) / 1024;
}
BENCHMARK(BM_DecodeDownscaleEncodePNG)->Unit(benchmark::kMillisecond)->UseRealTime();

// A screenshot written by another program, with libpng's default filters and deflate level:
// the adaptive filters are what make decoding dearer.
void BM_DecodePNGWrittenByImageMagick(benchmark::State& state) {
    const auto file = fs::temp_directory_path() / "tavro-bench-screenshot-im.png";
    const std::string command =
        "/usr/bin/convert '" + screenshotFile().string() + "' '" + file.string() + "'";
    if (std::system(command.c_str()) != 0) {
        state.SkipWithError("convert failed");
        return;
    }
    state.counters["file_kB"] = double(fs::file_size(file)) / 1024;
    for (auto _ : state)
        benchmark::DoNotOptimize(Image::load(file));
}
BENCHMARK(BM_DecodePNGWrittenByImageMagick)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same three steps on their own, to see where the time goes.
void BM_DecodePNG(benchmark::State& state) {
    const fs::path& file = screenshotFile();
    for (auto _ : state)
        benchmark::DoNotOptimize(Image::load(file));
}
BENCHMARK(BM_DecodePNG)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Downscale(benchmark::State& state) {
    const auto image = Image::load(screenshotFile());
    for (auto _ : state)
        benchmark::DoNotOptimize(image->downscaled(1400));
}
BENCHMARK(BM_Downscale)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodePNG(benchmark::State& state) {
    const auto small = Image::load(screenshotFile())->downscaled(1400);
    for (auto _ : state)
        benchmark::DoNotOptimize(small->encodePNG());
}
BENCHMARK(BM_EncodePNG)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EncodeJPEGThumbnail(benchmark::State& state) {
    const auto thumb = Image::load(screenshotFile())->downscaled(900);
    for (auto _ : state)
        benchmark::DoNotOptimize(thumb->encodeJPEG(0.82));
}
BENCHMARK(BM_EncodeJPEGThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();

// ImageMagick's converter on the same file, output read through a pipe as an agent server
// would have to.
void BM_ImageMagickConvertResize(benchmark::State& state) {
    const std::string command =
        "/usr/bin/convert '" + screenshotFile().string() + "' -resize 1400x1400 png:-";
    size_t bytes = 0;
    for (auto _ : state) {
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) {
            state.SkipWithError("convert did not start");
            return;
        }
        char buffer[65536];
        bytes = 0;
        while (size_t read = fread(buffer, 1, sizeof buffer, pipe))
            bytes += read;
        if (pclose(pipe) != 0) {
            state.SkipWithError("convert failed");
            return;
        }
    }
    state.counters["png_kB"] = double(bytes) / 1024;
}
BENCHMARK(BM_ImageMagickConvertResize)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
