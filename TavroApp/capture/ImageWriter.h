#pragma once

#include "files/LibraryFiles.h"
#include "model/Time.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

enum class ImageType { png, jpeg };

// Encodes screenshots and writes them with their thumbnails into the library.
namespace ImageWriter {

inline constexpr int thumbnailMaxEdge = 900;
inline constexpr double thumbnailQuality = 0.82;

struct Written {
    std::string relativePath;                     // under "captures"
    std::optional<std::string> thumbRelativePath; // under "thumbs"; absent when none was written
    std::int64_t byteCount = 0;                   // of the PNG
    int width = 0;
    int height = 0;

    bool operator==(const Written&) const = default;
};

// `quality` (0...1) applies to JPEG; PNG is lossless and always written compressed.
std::optional<QByteArray> encode(const QImage& image, ImageType type, double quality);

// The image shrunk so that its longer edge is `maxEdge`, drawn opaque over black; an image that
// already fits is returned as it is, never enlarged.
std::optional<QImage> downscale(const QImage& image, int maxEdge);

// Writes "captures/yyyy/MM/<id>.png" and, best effort, "thumbs/yyyy/MM/<id>.jpg". Throws
// CaptureError, or std::filesystem::filesystem_error when the PNG's folder cannot be made.
Written write(const QImage& image, std::string_view id, Seconds date);

// The encoded bytes as LibraryFiles writes them; valid while `data` lives unchanged.
LibraryFiles::Bytes asBytes(const QByteArray& data);

} // namespace ImageWriter

} // namespace tavro
