#include "compose/AttachmentService.h"

#include "capture/CaptureError.h"
#include "capture/ImageWriter.h"
#include "files/LibraryFiles.h"
#include "model/AnnotationRenderer.h"
#include "model/Image.h"
#include "model/Paths.h"
#include "shell/ThumbnailLoader.h"
#include "shell/Utf8.h"

#include <filesystem>

namespace tavro::AttachmentService {

namespace {

constexpr std::string_view missingOriginal = "the original screenshot is missing";

void forget(ThumbnailLoader* thumbnails, const std::filesystem::path& file) {
    if (thumbnails)
        thumbnails->evict(toQString(file.string()));
}

std::optional<Image> loadOriginal(const CaptureImage& image) {
    const auto file = TavroPaths::resolveInside(TavroPaths::capturesRoot(), image.imagePath);
    return file ? Image::load(*file) : std::nullopt;
}

} // namespace

std::optional<std::string> markedRelativePath(std::string_view imagePath) {
    if (!TavroPaths::resolveInside(TavroPaths::capturesRoot(), imagePath))
        return std::nullopt;
    return LibraryFiles::markedCopyName(imagePath);
}

std::optional<std::string> writeThumbnail(const Image& image, std::string_view id, Seconds date,
                                          ThumbnailLoader* thumbnails) {
    const std::string relative = LibraryFiles::thumbnailName(id, date);
    const auto target = LibraryFiles::locate(LibraryFiles::Folder::thumbs, relative);
    if (!target)
        return std::nullopt;
    auto small = image.downscaled(ImageWriter::thumbnailMaxEdge);
    const Image& source = small ? *small : image;
    const auto jpeg = source.encodeJPEG(ImageWriter::thumbnailQuality);
    if (!jpeg || !LibraryFiles::writeThumbnail(relative, *jpeg))
        return std::nullopt;
    forget(thumbnails, *target);
    return relative;
}

RenderedAnnotation renderAnnotation(const Annotation& annotation, const CaptureImage& image,
                                    ThumbnailLoader* thumbnails, Seconds date) {
    // The stored path may come from sync: the guard refuses it before anything is derived from it.
    const auto markedRelative = markedRelativePath(image.imagePath);
    if (!markedRelative)
        throw CaptureError::writeFailed(std::string(missingOriginal));
    std::optional<Image> marked;
    {
        const auto original = loadOriginal(image);
        if (!original)
            throw CaptureError::writeFailed(std::string(missingOriginal));
        marked = AnnotationRenderer::render(annotation, *original);
    }
    if (!marked)
        throw CaptureError::writeFailed("annotations could not be rendered");
    const auto png = marked->encodePNG();
    if (!png)
        throw CaptureError::writeFailed("PNG encoding failed");

    const auto target = TavroPaths::resolveInside(TavroPaths::capturesRoot(), *markedRelative);
    if (!target)
        throw CaptureError::writeFailed(std::string(missingOriginal));
    TavroPaths::ensureParentDirectory(*target);
    if (auto error = LibraryFiles::writeAtomically(*target, *png))
        throw CaptureError::writeFailed(*error);
    forget(thumbnails, *target);

    RenderedAnnotation result;
    result.markedRelativePath = *markedRelative;
    result.byteCount = std::int64_t(png->size());
    result.thumbRelativePath = writeThumbnail(*marked, image.id, date, thumbnails);
    return result;
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
        writeRow(updated);
        return;
    }

    writeRow(unmarkedRow(image, thumbnails, date));
    // Only now that no row names the marked copy may the file go; a failed write keeps it.
    removeMarkedCopy(image, thumbnails);
}

CaptureImage unmarkedRow(const CaptureImage& image, ThumbnailLoader* thumbnails, Seconds date) {
    CaptureImage updated = image;
    updated.annotatedPath = std::nullopt;
    updated.annotationJSON = std::nullopt;
    if (const auto original = loadOriginal(image))
        updated.thumbPath = writeThumbnail(*original, image.id, date, thumbnails);
    // The row names the original again, so it carries the original's size.
    if (auto size = LibraryFiles::byteCount(LibraryFiles::Folder::captures, image.imagePath))
        updated.bytes = *size;
    return updated;
}

void removeMarkedCopy(const CaptureImage& image, ThumbnailLoader* thumbnails) {
    if (!image.annotatedPath)
        return;
    LibraryFiles::remove(LibraryFiles::Folder::captures, *image.annotatedPath);
    if (auto file = LibraryFiles::locate(LibraryFiles::Folder::captures, *image.annotatedPath))
        forget(thumbnails, *file);
}

} // namespace tavro::AttachmentService
