#include "values/ImageWriter.h"

#include "values/CaptureError.h"
#include "values/QtImage.h"

#include <algorithm>
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

std::optional<QImage> thumbnail(const QImage& image) {
    const auto pixels = QtImage::copyFrom(image);
    auto small = pixels ? ScreenshotFiles::thumbnail(*pixels) : std::nullopt;
    if (!small)
        return std::nullopt;
    // Opaque already: the same pixels without their alpha channel.
    return QtImage::wrap(std::move(small)).convertToFormat(QImage::Format_RGB32);
}

Written written(const ScreenshotFiles::Original& original) {
    return {original.imagePath, original.thumbPath, original.byteCount, original.size.width,
            original.size.height};
}

Written write(const QImage& image, std::string_view id, Seconds date) {
    const auto pixels = QtImage::copyFrom(image);
    try {
        if (!pixels) {
            // Still refuses an id that cannot name a file first, as writing would.
            if (!LibraryFiles::locate(LibraryFiles::Folder::captures,
                                      LibraryFiles::originalName(id, date)))
                throw ScreenshotFiles::WriteError("the image id cannot name a file");
            throw ScreenshotFiles::WriteError("PNG encoding failed");
        }
        return written(ScreenshotFiles::writeOriginal(*pixels, id, date));
    } catch (const ScreenshotFiles::WriteError& error) {
        throw CaptureError::writeFailed(error.what());
    }
}

LibraryFiles::Bytes asBytes(const QByteArray& data) {
    return {reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size())};
}

} // namespace tavro::ImageWriter
