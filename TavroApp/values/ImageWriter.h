#pragma once

#include "files/LibraryFiles.h"
#include "files/ScreenshotFiles.h"
#include "model/Time.h"

#include <QImage>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// Screenshots as the app holds them (QImage) handed to the core's image files.
namespace ImageWriter {

inline constexpr int thumbnailMaxEdge = ScreenshotFiles::thumbnailMaxEdge;
inline constexpr double thumbnailQuality = ScreenshotFiles::thumbnailQuality;

struct Written {
    std::string relativePath;                     // under "captures"
    std::optional<std::string> thumbRelativePath; // under "thumbs"; absent when none was written
    std::int64_t byteCount = 0;                   // of the PNG
    int width = 0;
    int height = 0;

    bool operator==(const Written&) const = default;
};

// What the core wrote, as the app's records name it.
Written written(const ScreenshotFiles::Original& original);

// Writes "captures/yyyy/MM/<id>.png" and, best effort, "thumbs/yyyy/MM/<id>.jpg". Throws
// CaptureError, or std::filesystem::filesystem_error when the PNG's folder cannot be made.
Written write(const QImage& image, std::string_view id, Seconds date);

} // namespace ImageWriter

} // namespace tavro
