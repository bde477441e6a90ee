#include "detail/DetailFeed.h"

#include "library/Library.h"

#include <utility>

namespace tavro {

DetailFeed::DetailFeed(Library& library, std::string captureID, DetailParts parts, Show show,
                       QObject* parent)
    : QObject(parent)
    , library_(library)
    , captureID_(std::move(captureID))
    , parts_(parts)
    , show_(std::move(show)) {
    connect(&library_, &Library::reloaded, this, &DetailFeed::follow);
    readAgain();
}

void DetailFeed::readAgain() {
    mark_ = CaptureMark::of(*library_.state(), captureID_);
    if (reading_) {
        again_ = true;
        return;
    }
    ask();
}

void DetailFeed::follow() {
    if (CaptureMark::of(*library_.state(), captureID_) != mark_)
        readAgain();
}

void DetailFeed::ask() {
    reading_ = true;
    ++asked_;
    const std::uint64_t generation = ++generation_;
    library_.readDetail(captureID_, parts_, this, [this, generation](CaptureDetail detail) {
        arrived(generation, std::move(detail));
    });
}

void DetailFeed::arrived(std::uint64_t generation, CaptureDetail detail) {
    if (generation == generation_)
        reading_ = false;
    // Only the newest answer counts: an older one, or one for another capture, would show rows
    // that a newer read has already replaced.
    const bool current =
        generation > shown_ && detail.captureID == captureID_ && !detail.error.has_value();
    if (current) {
        shown_ = generation;
        show_(detail);
    }
    if (!reading_ && std::exchange(again_, false))
        ask();
}

} // namespace tavro
