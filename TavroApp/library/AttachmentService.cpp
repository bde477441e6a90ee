#include "library/AttachmentService.h"

#include "files/LibraryFiles.h"
#include "files/ScreenshotFiles.h"
#include "library/ThumbnailLoader.h"
#include "values/CaptureError.h"
#include "values/Utf8.h"

namespace tavro::AttachmentService {

namespace {

using Folder = LibraryFiles::Folder;

void forget(ThumbnailLoader* thumbnails, Folder folder, const std::optional<std::string>& name) {
    if (!thumbnails || !name)
        return;
    if (auto file = LibraryFiles::locate(folder, *name))
        thumbnails->evict(toQString(file->string()));
}

void removeUnless(Folder folder, const std::optional<std::string>& name,
                  const std::optional<std::string>& kept, ThumbnailLoader* thumbnails) {
    if (!name || name == kept)
        return;
    LibraryFiles::remove(folder, *name);
    forget(thumbnails, folder, name);
}

} // namespace

RenderedAnnotation renderAnnotation(const Annotation& annotation, const CaptureImage& image,
                                    ThumbnailLoader* thumbnails, Seconds date) {
    try {
        const auto marked = ScreenshotFiles::writeMarked(annotation, image, date);
        forget(thumbnails, Folder::captures, marked.markedPath);
        forget(thumbnails, Folder::thumbs, marked.thumbPath);
        return {marked.markedPath, marked.thumbPath, marked.byteCount};
    } catch (const ScreenshotFiles::WriteError& error) {
        throw CaptureError::writeFailed(error.what());
    }
}

void saveAnnotation(const Annotation& annotation, const CaptureImage& image,
                    const RowWriter& writeRow, ThumbnailLoader* thumbnails, Seconds date) {
    CaptureImage updated = image;
    if (!annotation.isEmpty()) {
        const RenderedAnnotation rendered = renderAnnotation(annotation, image, thumbnails, date);
        updated.annotatedPath = rendered.markedRelativePath;
        updated.annotationJSON = annotation.encoded();
        updated.bytes = rendered.byteCount;
        if (rendered.thumbRelativePath)
            updated.thumbPath = rendered.thumbRelativePath;
    } else {
        updated = unmarkedRow(image, thumbnails, date);
    }
    try {
        writeRow(updated);
    } catch (...) {
        // The row still names the files it named: only the ones just written go.
        removeReplaced(updated, image, thumbnails);
        throw;
    }
    removeReplaced(image, updated, thumbnails);
}

CaptureImage unmarkedRow(const CaptureImage& image, ThumbnailLoader* thumbnails, Seconds date) {
    CaptureImage updated = image;
    updated.annotatedPath = std::nullopt;
    updated.annotationJSON = std::nullopt;
    if (auto thumb = ScreenshotFiles::writeOriginalThumbnail(image, date)) {
        forget(thumbnails, Folder::thumbs, thumb);
        updated.thumbPath = std::move(thumb);
    }
    // The row names the original again, so it carries the original's size.
    if (auto size = LibraryFiles::byteCount(Folder::captures, image.imagePath))
        updated.bytes = *size;
    return updated;
}

void removeReplaced(const CaptureImage& before, const CaptureImage& after,
                    ThumbnailLoader* thumbnails) {
    removeUnless(Folder::captures, before.annotatedPath, after.annotatedPath, thumbnails);
    removeUnless(Folder::thumbs, before.thumbPath, after.thumbPath, thumbnails);
}

} // namespace tavro::AttachmentService
