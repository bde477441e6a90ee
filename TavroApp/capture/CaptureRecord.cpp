#include "capture/CaptureRecord.h"

namespace tavro::CaptureRecord {

Capture capture(const PendingCapture& pending, const Entry& entry, Seconds time) {
    Capture capture;
    capture.id = pending.id;
    capture.createdAt = pending.capturedAt;
    capture.updatedAt = time;
    capture.note = entry.note;
    capture.status = CaptureStatus::open;
    capture.priority = entry.priority;
    capture.groupID = entry.groupID;
    if (!pending.images.empty()) {
        const PendingImage& cover = pending.images.front();
        capture.imagePath = cover.annotatedPath.value_or(cover.written.relativePath);
        capture.thumbPath = cover.written.thumbRelativePath;
        capture.imageWidth = cover.written.width;
        capture.imageHeight = cover.written.height;
        capture.imageBytes = cover.written.byteCount;
    }
    capture.captureMode = pending.mode;
    capture.appName = pending.context.appName;
    capture.appBundleID = pending.context.appBundleID;
    capture.windowTitle = pending.context.windowTitle;
    capture.url = pending.context.url;
    capture.displayName = pending.context.displayName;
    capture.displayScale = pending.context.displayScale;
    capture.syncState = SyncState::local;
    return capture;
}

std::vector<CaptureImage> screenshots(const PendingCapture& pending, Seconds time) {
    std::vector<CaptureImage> rows;
    for (size_t i = 0; i < pending.images.size(); ++i) {
        CaptureImage row = transientRow(pending.images[i], pending.id, true, time);
        row.position = std::int64_t(i);
        row.syncState = SyncState::local;
        rows.push_back(std::move(row));
    }
    return rows;
}

CaptureImage transientRow(const PendingImage& image, const std::string& captureID,
                          bool withAnnotation, Seconds time) {
    CaptureImage row;
    row.id = image.id;
    row.captureID = captureID;
    row.position = 0;
    row.imagePath = image.written.relativePath;
    row.annotatedPath = image.annotatedPath;
    row.thumbPath = image.written.thumbRelativePath;
    row.width = image.written.width;
    row.height = image.written.height;
    row.bytes = image.written.byteCount;
    if (withAnnotation && !image.annotation.isEmpty())
        row.annotationJSON = image.annotation.encoded();
    row.createdAt = time;
    return row;
}

ComposeDraft withEntry(ComposeDraft draft, const Entry& entry) {
    draft.note = entry.note;
    draft.priority = entry.priority;
    draft.groupID = entry.groupID;
    // No group was a choice too: the box must not pick the default group instead.
    draft.groupChosen = true;
    draft.tagText.clear();
    for (const std::string& tag : entry.tags)
        draft.tagText += (draft.tagText.empty() ? "" : ", ") + tag;
    return draft;
}

} // namespace tavro::CaptureRecord
