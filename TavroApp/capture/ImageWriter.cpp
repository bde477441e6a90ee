#include "capture/ImageWriter.h"

#include "capture/CaptureError.h"
#include "files/LibraryFiles.h"
#include "model/Paths.h"
#include "shell/QtImage.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavro::ImageWriter {

namespace {

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

Written write(const QImage& image, std::string_view id, Seconds date) {
    const std::string relative = LibraryFiles::originalName(id, date);
    // The id becomes part of a file name: never let it reach outside the library.
    const auto target = LibraryFiles::locate(LibraryFiles::Folder::captures, relative);
    if (!target)
        throw CaptureError::writeFailed("the image id cannot name a file");
    TavroPaths::ensureParentDirectory(*target);

    const auto png = encode(image, ImageType::png, 1.0);
    if (!png)
        throw CaptureError::writeFailed("PNG encoding failed");
    if (auto error = LibraryFiles::writeAtomically(*target, asBytes(*png)))
        throw CaptureError::writeFailed(*error);

    Written written{relative, std::nullopt, png->size(), image.width(), image.height()};

    const auto thumb = downscale(image, thumbnailMaxEdge);
    const auto jpeg = thumb ? encode(*thumb, ImageType::jpeg, thumbnailQuality) : std::nullopt;
    std::string thumbName = LibraryFiles::thumbnailName(id, date);
    if (jpeg && LibraryFiles::writeThumbnail(thumbName, asBytes(*jpeg)))
        written.thumbRelativePath = std::move(thumbName);
    return written;
}

LibraryFiles::Bytes asBytes(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size())};
}

} // namespace tavro::ImageWriter
