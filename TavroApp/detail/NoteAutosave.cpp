#include "detail/NoteAutosave.h"

#include "detail/PublishedCapture.h"
#include "library/Library.h"

#include <utility>

namespace tavro {

NoteAutosave::NoteAutosave(Library& library, std::string captureID, RestartableTimer& timer)
    : library_(library)
    , captureID_(std::move(captureID))
    , timer_(timer) {
    if (const auto capture = published()) {
        baseline_ = note_ = capture->note;
        seenUpdate_ = capture->updatedAt;
    }
}

NoteAutosave::~NoteAutosave() {
    timer_.stop();
}

std::optional<Capture> NoteAutosave::published() const {
    return publishedCapture(library_, captureID_);
}

void NoteAutosave::edit(std::string text) {
    note_ = std::move(text);
    timer_.start([this] { reportWrite(flush(), &answers_, report_); });
}

bool NoteAutosave::takeUpPublishedNote() {
    const std::optional<Capture> capture = published();
    if (!capture || capture->updatedAt <= seenUpdate_)
        return false;
    seenUpdate_ = capture->updatedAt;
    if (hasUnsavedEdits() || capture->note == baseline_)
        return false;
    baseline_ = note_ = capture->note;
    return true;
}

PendingWrite<> NoteAutosave::flush() {
    timer_.stop();
    if (!hasUnsavedEdits())
        return PendingWrite<>::answered(WriteResult<>::success());
    const std::optional<Capture> capture = published();
    // Deleted meanwhile: there is nothing left to write to.
    if (!capture)
        return PendingWrite<>::answered(WriteResult<>::success());
    Capture edited = *capture;
    edited.note = note_;
    auto [pending, answer] = PendingWrite<>::make();
    library_.update(edited).then(&answers_, [this, written = note_, answer = std::move(answer)](
                                                const WriteResult<>& result) {
        if (result)
            baseline_ = written;
        answer(result);
    });
    return std::move(pending);
}

} // namespace tavro
