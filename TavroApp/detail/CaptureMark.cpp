#include "detail/CaptureMark.h"

#include "library/LibraryState.h"

namespace tavro {

CaptureMark CaptureMark::of(const LibraryState& state, const std::string& captureID) {
    CaptureMark mark;
    if (const BoardItem* item = state.captures.find(captureID)) {
        mark.capture = item->capture.whole();
        mark.comments = item->comments;
        mark.images = item->images;
        mark.tags = item->tags;
    }
    return mark;
}

} // namespace tavro
