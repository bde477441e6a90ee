// Opening a library and reading its change stamp: what each agent-server start and each of the
// app's polls pay.
#include "store/CaptureStore.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;
using namespace tavro;

namespace {

fs::path scratchLibrary() {
    auto folder = fs::temp_directory_path() / "tavro-bench-open";
    fs::remove_all(folder);
    setenv("TAVRO_HOME", folder.c_str(), 1);
    return folder / "tavro.sqlite";
}

void BM_OpenExistingLibrary(benchmark::State& state) {
    auto file = scratchLibrary();
    { CaptureStore create(file, std::make_shared<NullStoreChangeNotifier>()); }
    for (auto _ : state) {
        CaptureStore store(file, std::make_shared<NullStoreChangeNotifier>());
        benchmark::DoNotOptimize(&store);
    }
}
BENCHMARK(BM_OpenExistingLibrary)->Unit(benchmark::kMillisecond);

void BM_ChangeStamp(benchmark::State& state) {
    auto file = scratchLibrary();
    CaptureStore store(file, std::make_shared<NullStoreChangeNotifier>());
    for (auto _ : state)
        benchmark::DoNotOptimize(store.changeCounter());
}
BENCHMARK(BM_ChangeStamp)->Unit(benchmark::kMicrosecond);

} // namespace
