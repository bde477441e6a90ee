#include "compose/AttachmentService.h"

#include "capture/CaptureError.h"
#include "capture/ImageWriter.h"
#include "files/LibraryFiles.h"
#include "model/AnnotationRenderer.h"
#include "model/Image.h"
#include "model/Paths.h"
#include "shell/ThumbnailLoader.h"
#include "shell/Utf8.h"
#include "store/CaptureStore.h"

namespace tavro::AttachmentService {

namespace {

void forget(ThumbnailLoader* thumbnails, const std::filesystem::path& file) {
    if (thumbnails)
        thumbnails->evict(toQString(file.string()));
}

} // namespace

RenderedAnnotation renderAnnotation(const Annotation& annotation, const CaptureImage& image,
                                    ThumbnailLoader* thumbnails) {
    const auto original = TavroPaths::resolveInside(TavroPaths::capturesRoot(), image.imagePath);
    if (!original)
        throw CaptureError::writeFailed("the original screenshot is missing");
    const auto source = Image::load(*original);
    if (!source)
        throw CaptureError::writeFailed("the original screenshot is missing");
    if (annotation.isEmpty())
        throw CaptureError::writeFailed("annotations could not be rendered");
    const auto marked = AnnotationRenderer::render(annotation, *source);
    if (!marked)
        throw CaptureError::writeFailed("annotations could not be rendered");
    const auto png = marked->encodePNG();
    if (!png)
        throw CaptureError::writeFailed("PNG encoding failed");

    RenderedAnnotation result;
    result.markedRelativePath = LibraryFiles::markedCopyName(image.imagePath);
    const auto target =
        TavroPaths::resolveInside(TavroPaths::capturesRoot(), result.markedRelativePath);
    if (!target)
        throw CaptureError::writeFailed("the original screenshot is missing");
    if (auto error = LibraryFiles::writeAtomically(*target, *png))
        throw CaptureError::writeFailed(*error);
    forget(thumbnails, *target);
    result.markedByteCount = std::int64_t(png->size());

    // The thumbnail is best effort, as for a new screenshot.
    const auto small = marked->downscaled(ImageWriter::thumbnailMaxEdge);
    const auto jpeg = small ? small->encodeJPEG(ImageWriter::thumbnailQuality) : std::nullopt;
    if (jpeg) {
        result.thumbRelativePath = LibraryFiles::writeThumbnail(result.markedRelativePath, *jpeg);
        if (result.thumbRelativePath)
            if (auto file =
                    LibraryFiles::locate(LibraryFiles::Folder::thumbs, *result.thumbRelativePath))
                forget(thumbnails, *file);
    }
    return result;
}

void saveAnnotation(const Annotation& annotation, const CaptureImage& image, CaptureStore& store,
                    ThumbnailLoader* thumbnails) {
    CaptureImage updated = image;
    if (annotation.isEmpty()) {
        updated.annotatedPath = std::nullopt;
        updated.annotationJSON = std::nullopt;
        if (auto size = LibraryFiles::unmarked(image.imagePath).byteCount)
            updated.bytes = *size;
        store.updateImage(updated);
        // The row no longer names the marked copy; only now may the file go.
        if (image.annotatedPath)
            if (auto marked =
                    TavroPaths::resolveInside(TavroPaths::capturesRoot(), *image.annotatedPath)) {
                std::error_code ignored;
                std::filesystem::remove(*marked, ignored);
                forget(thumbnails, *marked);
            }
        return;
    }
    const RenderedAnnotation rendered = renderAnnotation(annotation, image, thumbnails);
    updated.annotatedPath = rendered.markedRelativePath;
    if (rendered.thumbRelativePath)
        updated.thumbPath = rendered.thumbRelativePath;
    updated.bytes = rendered.markedByteCount;
    updated.annotationJSON = annotation.encoded();
    store.updateImage(updated);
}

} // namespace tavro::AttachmentService
