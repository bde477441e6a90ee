#include "detail/NoteAutosave.h"

#include "detail/PublishedCapture.h"
#include "shell/Library.h"

#include <utility>

namespace tavro {

NoteAutosave::NoteAutosave(Library& library, std::string captureID, RestartableTimer& timer)
    : library_(library)
    , captureID_(std::move(captureID))
    , timer_(timer) {
    if (const Capture* capture = published()) {
        baseline_ = note_ = capture->note;
        seenUpdate_ = capture->updatedAt;
    }
}

NoteAutosave::~NoteAutosave() {
    timer_.stop();
}

const Capture* NoteAutosave::published() const {
    return publishedCapture(library_, captureID_);
}

void NoteAutosave::edit(std::string text) {
    note_ = std::move(text);
    timer_.start([this] { flush(); });
}

bool NoteAutosave::takeUpPublishedNote() {
    const Capture* capture = published();
    if (!capture || capture->updatedAt <= seenUpdate_)
        return false;
    seenUpdate_ = capture->updatedAt;
    if (hasUnsavedEdits() || capture->note == baseline_)
        return false;
    baseline_ = note_ = capture->note;
    return true;
}

WriteResult<> NoteAutosave::flush() {
    timer_.stop();
    if (!hasUnsavedEdits())
        return WriteResult<>::success();
    const Capture* capture = published();
    // Deleted meanwhile: there is nothing left to write to.
    if (!capture)
        return WriteResult<>::success();
    Capture edited = *capture;
    edited.note = note_;
    auto result = library_.update(edited);
    if (result)
        baseline_ = note_;
    if (onWritten_)
        onWritten_(result);
    return result;
}

} // namespace tavro
