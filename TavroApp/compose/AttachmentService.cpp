#include "compose/AttachmentService.h"

#include "capture/CaptureError.h"
#include "capture/ImageWriter.h"
#include "model/AnnotationRenderer.h"
#include "model/Image.h"
#include "model/Paths.h"
#include "shell/ThumbnailLoader.h"
#include "shell/Utf8.h"

#include <QByteArray>

#include <filesystem>

namespace tavro::AttachmentService {

namespace {

constexpr std::string_view missingOriginal = "the original screenshot is missing";

// The platform's rule: the last "." of the last component and what follows; a name that only
// starts with a dot has no extension.
std::string_view withoutExtension(std::string_view relative) {
    const auto slash = relative.rfind('/');
    const auto nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const auto dot = relative.rfind('.');
    if (dot == std::string_view::npos || dot <= nameStart)
        return relative;
    return relative.substr(0, dot);
}

void forget(ThumbnailLoader* thumbnails, const std::filesystem::path& file) {
    if (thumbnails)
        thumbnails->evict(toQString(file.string()));
}

// Borrows the bytes: the writer reads them before this returns.
QByteArray borrowed(const std::vector<uint8_t>& data) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()),
                                   qsizetype(data.size()));
}

std::optional<Image> loadOriginal(const CaptureImage& image) {
    const auto file = TavroPaths::resolveInside(TavroPaths::capturesRoot(), image.imagePath);
    return file ? Image::load(*file) : std::nullopt;
}

std::optional<std::int64_t> fileSize(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    return error ? std::nullopt : std::optional<std::int64_t>(std::int64_t(size));
}

} // namespace

std::optional<std::string> markedRelativePath(std::string_view imagePath) {
    if (!TavroPaths::resolveInside(TavroPaths::capturesRoot(), imagePath))
        return std::nullopt;
    return std::string(withoutExtension(imagePath)) + "-marked.png";
}

std::optional<std::string> writeThumbnail(const Image& image, std::string_view id, Seconds date,
                                          ThumbnailLoader* thumbnails) {
    const std::string relative = TavroPaths::relativeImagePath(id, date, "jpg");
    const auto target = TavroPaths::resolveInside(TavroPaths::thumbsRoot(), relative);
    if (!target)
        return std::nullopt;
    auto small = image.downscaled(ImageWriter::thumbnailMaxEdge);
    const Image& source = small ? *small : image;
    const auto jpeg = source.encodeJPEG(ImageWriter::thumbnailQuality);
    if (!jpeg)
        return std::nullopt;
    std::error_code folderError;
    std::filesystem::create_directories(target->parent_path(), folderError);
    if (folderError || ImageWriter::writeAtomically(*target, borrowed(*jpeg)))
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
    if (auto error = ImageWriter::writeAtomically(*target, borrowed(*png)))
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
    if (auto file = TavroPaths::resolveInside(TavroPaths::capturesRoot(), image.imagePath))
        if (auto size = fileSize(*file))
            updated.bytes = *size;
    return updated;
}

void removeMarkedCopy(const CaptureImage& image, ThumbnailLoader* thumbnails) {
    if (!image.annotatedPath)
        return;
    if (auto file = TavroPaths::resolveInside(TavroPaths::capturesRoot(), *image.annotatedPath)) {
        std::error_code ignored;
        std::filesystem::remove(*file, ignored);
        forget(thumbnails, *file);
    }
}

} // namespace tavro::AttachmentService
