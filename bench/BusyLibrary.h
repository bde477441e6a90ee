// A busy board for the benchmarks that read or show a large library.
#pragma once

#include "model/Capture.h"

#include <filesystem>
#include <functional>
#include <memory>

namespace tavro {

class CaptureStore;

namespace bench {

// `count` live captures in one transaction, the newest last (createdAt 1.7e9 + i): every third
// tagged, every fifth commented, spread over eight groups, each naming a screenshot and a
// thumbnail under the library's folders. `shape` may change a capture before it is stored.
void fillBusyBoard(CaptureStore& store, int count,
                   const std::function<void(Capture&, int i)>& shape = {});

// A library folder with such a board, filled once per count in this program (filling 100,000
// captures takes longer than measuring them) and removed when the program ends. TAVRO_HOME names
// it afterwards. Copy it for a benchmark that writes.
const std::filesystem::path&
filledBusyLibrary(int count, const std::function<void(Capture&, int i)>& shape = {});

// A copy of the busy library's database in a library of its own, removed again at the end, with
// a store open on it. "TAVRO_HOME" points at it from then on.
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
