#include "compose/AttachmentService.h"

#include "capture/CaptureError.h"
#include "capture/ImageWriter.h"
#include "model/AnnotationRenderer.h"
#include "model/Image.h"
#include "model/Paths.h"
#include "shell/ThumbnailLoader.h"
#include "shell/Utf8.h"

#include <QByteArray>

namespace tavro::AttachmentService {

namespace {

std::string withoutExtension(const std::string& relative) {
    const auto slash = relative.rfind('/');
    const auto dot = relative.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return relative;
    return relative.substr(0, dot);
}

void forget(ThumbnailLoader* thumbnails, const std::filesystem::path& file) {
    if (thumbnails)
        thumbnails->evict(toQString(file.string()));
}

QByteArray bytes(const std::vector<uint8_t>& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
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
    result.markedRelativePath = withoutExtension(image.imagePath) + "-marked.png";
    const auto target =
        TavroPaths::resolveInside(TavroPaths::capturesRoot(), result.markedRelativePath);
    if (!target)
        throw CaptureError::writeFailed("the original screenshot is missing");
    if (auto error = ImageWriter::writeAtomically(*target, bytes(*png)))
        throw CaptureError::writeFailed(*error);
    forget(thumbnails, *target);
    result.markedByteCount = std::int64_t(png->size());

    // The thumbnail is best effort, as for a new screenshot.
    const std::string thumbRelative = withoutExtension(result.markedRelativePath) + ".jpg";
    const auto thumbTarget = TavroPaths::resolveInside(TavroPaths::thumbsRoot(), thumbRelative);
    const auto small = marked->downscaled(ImageWriter::thumbnailMaxEdge);
    const auto jpeg = small ? small->encodeJPEG(ImageWriter::thumbnailQuality) : std::nullopt;
    if (thumbTarget && jpeg) {
        std::error_code ignored;
        std::filesystem::create_directories(thumbTarget->parent_path(), ignored);
        if (!ImageWriter::writeAtomically(*thumbTarget, bytes(*jpeg))) {
            forget(thumbnails, *thumbTarget);
            result.thumbRelativePath = thumbRelative;
        }
    }
    return result;
}

void saveAnnotation(const Annotation& annotation, const CaptureImage& image,
                    const RowWriter& writeRow, ThumbnailLoader* thumbnails) {
    CaptureImage updated = image;
    if (annotation.isEmpty()) {
        updated.annotatedPath = std::nullopt;
        updated.annotationJSON = std::nullopt;
        if (auto original =
                TavroPaths::resolveInside(TavroPaths::capturesRoot(), image.imagePath)) {
            std::error_code error;
            const auto size = std::filesystem::file_size(*original, error);
            if (!error)
                updated.bytes = std::int64_t(size);
        }
        writeRow(updated);
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
    writeRow(updated);
}

} // namespace tavro::AttachmentService
