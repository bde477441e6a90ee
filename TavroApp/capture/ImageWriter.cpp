#include "capture/ImageWriter.h"

#include "capture/CaptureError.h"
#include "model/Paths.h"
#include "shell/Utf8.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>

namespace tavro::ImageWriter {

namespace {

// Qt's PNG writer takes 0 (none) to 100 (zlib level 9); a quality of 100 would mean no
// compression at all, so PNG sets this and never a quality. 70 is zlib's usual level 6.
constexpr int pngCompression = 70;

std::string replaceExtension(const std::string& relative, std::string_view ext) {
    auto dot = relative.rfind('.');
    return relative.substr(0, dot) + "." + std::string(ext);
}

} // namespace

std::optional<QByteArray> encode(const QImage& image, ImageType type, double quality) {
    if (image.isNull())
        return std::nullopt;
    QByteArray data;
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::WriteOnly))
        return std::nullopt;
    QImageWriter writer(&buffer, type == ImageType::png ? "png" : "jpeg");
    if (type == ImageType::png) {
        writer.setCompression(pngCompression);
    } else {
        writer.setQuality(static_cast<int>(std::lround(std::clamp(quality, 0.0, 1.0) * 100)));
        writer.setOptimizedWrite(true);
    }
    if (!writer.write(type == ImageType::jpeg && image.hasAlphaChannel()
                          ? image.convertToFormat(QImage::Format_RGB32)
                          : image))
        return std::nullopt;
    return data;
}

std::optional<QImage> downscale(const QImage& image, int maxEdge) {
    if (image.isNull() || maxEdge < 1)
        return std::nullopt;
    const int longer = std::max(image.width(), image.height());
    if (maxEdge >= longer)
        return image;
    const double factor = static_cast<double>(maxEdge) / longer;
    const int width = std::max(1, static_cast<int>(factor * image.width()));
    const int height = std::max(1, static_cast<int>(factor * image.height()));

    const QImage scaled =
        image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull())
        return std::nullopt;
    QImage opaque(width, height, QImage::Format_RGB32);
    if (opaque.isNull())
        return std::nullopt;
    opaque.fill(Qt::black);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, scaled);
    painter.end();
    return opaque;
}

std::optional<std::string> writeAtomically(const std::filesystem::path& file,
                                           const QByteArray& data) {
    QSaveFile out(toQString(file.string()));
    if (!out.open(QIODevice::WriteOnly))
        return toStdString(out.errorString());
    if (out.write(data) != data.size()) {
        std::string error = toStdString(out.errorString());
        out.cancelWriting();
        return error;
    }
    if (!out.commit())
        return toStdString(out.errorString());
    return std::nullopt;
}

Written write(const QImage& image, std::string_view id, Seconds date) {
    const std::string relative = TavroPaths::relativeImagePath(id, date, "png");
    // The id becomes part of a file name: never let it reach outside the library.
    const auto target = TavroPaths::resolveInside(TavroPaths::capturesRoot(), relative);
    if (!target)
        throw CaptureError::writeFailed("the image id cannot name a file");
    TavroPaths::ensureParentDirectory(*target);

    const auto png = encode(image, ImageType::png, 1.0);
    if (!png)
        throw CaptureError::writeFailed("PNG encoding failed");
    if (auto error = writeAtomically(*target, *png))
        throw CaptureError::writeFailed(*error);

    Written written{relative, std::nullopt, png->size(), image.width(), image.height()};

    const std::string thumbRelative = replaceExtension(relative, "jpg");
    const auto thumbTarget = TavroPaths::resolveInside(TavroPaths::thumbsRoot(), thumbRelative);
    const auto thumb = downscale(image, thumbnailMaxEdge);
    if (!thumbTarget || !thumb)
        return written;
    const auto jpeg = encode(*thumb, ImageType::jpeg, thumbnailQuality);
    if (!jpeg)
        return written;
    std::error_code ignored;
    std::filesystem::create_directories(thumbTarget->parent_path(), ignored);
    if (!writeAtomically(*thumbTarget, *jpeg))
        written.thumbRelativePath = thumbRelative;
    return written;
}

} // namespace tavro::ImageWriter
