#pragma once

#include "model/Time.h"

#include <cstdint>

namespace tavro {

class CaptureStore;

// Removes the image files no row names (a capture never saved, a crash between a file and its
// row) and the temporaries an interrupted atomic write left. A screenshot's marked copy under
// its plain name stays: it is this computer's drawing when a pulled one was named apart. Slow for a
// large library: never on the GUI thread.
namespace LibrarySweep {

// Younger files are another program's write in progress, or a capture being composed.
inline constexpr Seconds minimumAge = 15 * 60;

struct Result {
    std::int64_t files = 0;
    std::int64_t bytes = 0;

    bool operator==(const Result&) const = default;
};

// Only files last written before `now - minimumAge` are candidates; the names are read after
// the folders, so a row committed meanwhile keeps its file. Never throws.
Result run(CaptureStore& store, Seconds now);

} // namespace LibrarySweep

} // namespace tavro
