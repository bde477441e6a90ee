#pragma once

#include "model/Capture.h"
#include "model/CaptureImage.h"
#include "values/PendingCapture.h"

#include <optional>
#include <string>
#include <vector>

namespace tavro {

// The stored records a pending capture becomes, and the temporary rows its screenshots are
// shown and rendered through before that.
namespace CaptureRecord {

// What the user gave in the note box when saving.
struct Entry {
    std::string note;
    CapturePriority priority = CapturePriority::normal;
    std::optional<std::string> groupID;
    std::vector<std::string> tags;
};

// The capture row: its first screenshot is the cover.
Capture capture(const PendingCapture& pending, const Entry& entry, Seconds time);
// One row per screenshot, in order.
std::vector<CaptureImage> screenshots(const PendingCapture& pending, Seconds time);
// A row for the editor and the renderer, made from a screenshot not stored yet.
CaptureImage transientRow(const PendingImage& image, const std::string& captureID,
                          bool withAnnotation, Seconds time);
// `draft` holding what was entered, for showing the note box again after a failed save.
ComposeDraft withEntry(ComposeDraft draft, const Entry& entry);

} // namespace CaptureRecord

} // namespace tavro
