#pragma once

#include "model/Annotation.h"
#include "model/BoardEnums.h"
#include "model/Time.h"
#include "values/CaptureContext.h"
#include "values/ImageWriter.h"

#include <QImage>

#include <optional>
#include <string>
#include <vector>

namespace tavro {

// What the note box held when it closed for another screenshot or a mark-up, so that the next
// box starts where the user left off.
struct ComposeDraft {
    std::string note;
    CapturePriority priority = CapturePriority::normal;
    std::optional<std::string> groupID;
    // The user picked `groupID` (possibly "No group") rather than inheriting the default group,
    // so an absent id stays absent when the draft comes back.
    bool groupChosen = false;
    std::string tagText;
    std::optional<std::string> selectedImageID;
    std::string pendingGroupName;

    bool operator==(const ComposeDraft&) const = default;
};

// One screenshot of a capture not stored yet; its files are already in the library.
struct PendingImage {
    std::string id;
    QImage image;
    ImageWriter::Written written;
    Annotation annotation;
    std::optional<std::string> annotatedPath;

    bool operator==(const PendingImage&) const = default;
};

// A capture being composed in the note box.
struct PendingCapture {
    std::string id;
    std::vector<PendingImage> images;
    CaptureContext context;
    CaptureMode mode = CaptureMode::region;
    Seconds capturedAt = 0;
    ComposeDraft draft;

    bool operator==(const PendingCapture&) const = default;
};

} // namespace tavro
