#include "detail/CaptureMark.h"

#include "shell/LibraryState.h"

#include <algorithm>

namespace tavro {

namespace {

template <class Map>
auto valueOr(const Map& map, const std::string& key, typename Map::mapped_type otherwise) {
    const auto found = map.find(key);
    return found == map.end() ? otherwise : found->second;
}

} // namespace

CaptureMark CaptureMark::of(const LibraryState& state, const std::string& captureID) {
    CaptureMark mark;
    const auto found =
        std::find_if(state.captures.begin(), state.captures.end(),
                     [&](const Capture& capture) { return capture.id == captureID; });
    if (found != state.captures.end())
        mark.capture = *found;
    mark.comments = valueOr(state.commentCounts, captureID, 0);
    mark.images = valueOr(state.imageCounts, captureID, 0);
    mark.tags = valueOr(state.tagsByCapture, captureID, {});
    return mark;
}

} // namespace tavro
