#include "capture/ImageWriter.h"

#include "capture/CaptureError.h"
#include "model/Paths.h"
#include "shell/QtImage.h"
#include "shell/Utf8.h"

#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavro::ImageWriter {

namespace {

std::string replaceExtension(const std::string& relative, std::string_view ext) {
    auto dot = relative.rfind('.');
    return relative.substr(0, dot) + "." + std::string(ext);
}

QByteArray bytes(const std::vector<uint8_t>& data) {
    return QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
}

} // namespace

std::optional<QByteArray> encode(const QImage& image, ImageType type, double quality) {
    const auto pixels = QtImage::copyFrom(image);
    if (!pixels)
        return std::nullopt;
    const auto data = type == ImageType::png ? pixels->encodePNG()
                                             : pixels->encodeJPEG(std::clamp(quality, 0.0, 1.0));
    if (!data)
        return std::nullopt;
    return bytes(*data);
}

std::optional<QImage> downscale(const QImage& image, int maxEdge) {
    if (image.isNull() || maxEdge < 1)
        return std::nullopt;
    const int longer = std::max(image.width(), image.height());
    if (maxEdge >= longer)
        return image;
    // Truncated, so the longer edge is maxEdge or one less; never 0.
    const double factor = static_cast<double>(maxEdge) / longer;
    const PixelSize size{std::max(1, static_cast<int>(factor * image.width())),
                         std::max(1, static_cast<int>(factor * image.height()))};
    const auto pixels = QtImage::copyFrom(image);
    auto smaller = pixels ? pixels->scaled(size) : std::nullopt;
    if (!smaller)
        return std::nullopt;
    // Thumbnails are JPEG, which has no alpha: flatten over black here so what is shown and
    // what is written agree.
    QImage opaque(smaller->width(), smaller->height(), QImage::Format_RGB32);
    if (opaque.isNull())
        return std::nullopt;
    opaque.fill(Qt::black);
    QPainter painter(&opaque);
    painter.drawImage(0, 0, QtImage::wrap(std::move(smaller)));
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
