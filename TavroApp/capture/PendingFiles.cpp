#include "capture/PendingFiles.h"

#include "capture/CaptureRecord.h"
#include "capture/ImageWriter.h"
#include "compose/AttachmentService.h"
#include "files/LibraryFiles.h"
#include "model/Uuid.h"
#include "store/ImageFiles.h"

#include <exception>

namespace tavro::PendingFiles {

PendingImage write(const QImage& image) {
    PendingImage pending;
    pending.id = makeUUID();
    pending.written = ImageWriter::write(image, pending.id, now());
    pending.image = image;
    return pending;
}

void discard(const PendingCapture& pending) {
    for (const PendingImage& image : pending.images) {
        ImageFiles::removeImageIfNamed(image.written.relativePath);
        ImageFiles::removeImageIfNamed(image.annotatedPath);
        ImageFiles::removeThumbIfNamed(image.written.thumbRelativePath);
        // A marked-up screenshot's thumbnail replaced the original's, which is still on disk.
        ImageFiles::removeThumbIfNamed(LibraryFiles::withExtension(image.written.relativePath, "jpg"));
    }
}

void unmark(PendingImage& image, const std::string& captureID, ThumbnailLoader* thumbnails) {
    const CaptureImage before = CaptureRecord::transientRow(image, captureID, false, now());
    const CaptureImage after = AttachmentService::unmarkedRow(before, thumbnails);
    if (image.written.thumbRelativePath != after.thumbPath)
        ImageFiles::removeThumbIfNamed(image.written.thumbRelativePath);
    image.written.thumbRelativePath = after.thumbPath;
    image.written.byteCount = after.bytes;
    AttachmentService::removeMarkedCopy(before, thumbnails);
    image.annotatedPath.reset();
    image.annotation = {};
}

bool mark(PendingImage& image, const Annotation& annotation, const std::string& captureID,
          ThumbnailLoader* thumbnails) {
    try {
        const auto rendered = AttachmentService::renderAnnotation(
            annotation, CaptureRecord::transientRow(image, captureID, false, now()), thumbnails);
        image.annotation = annotation;
        image.annotatedPath = rendered.markedRelativePath;
        if (rendered.thumbRelativePath)
            image.written.thumbRelativePath = rendered.thumbRelativePath;
        image.written.byteCount = rendered.byteCount;
        return true;
    } catch (const std::exception&) {
        // The screenshot keeps its earlier marks and files; the note box shows them as they were.
        return false;
    }
}

} // namespace tavro::PendingFiles
