#pragma once

#include <filesystem>
#include <memory>

namespace tavro {

class CaptureStore;

namespace bench {

// A busy board in a library of its own, removed again at the end: `count` captures, every third
// tagged, every fifth commented, a handful of groups. "TAVRO_HOME" points at it from then on.
// Each size is filled once and copied for each benchmark: filling 100,000 captures takes longer
// than measuring them.
struct BusyLibrary {
    explicit BusyLibrary(int count);
    ~BusyLibrary();
    BusyLibrary(const BusyLibrary&) = delete;
    BusyLibrary& operator=(const BusyLibrary&) = delete;

    std::filesystem::path home;
    std::shared_ptr<CaptureStore> store;
};

} // namespace bench
} // namespace tavro
