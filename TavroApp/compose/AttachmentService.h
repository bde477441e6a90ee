#pragma once

#include "model/Annotation.h"
#include "model/CaptureImage.h"
#include "model/Time.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tavro {

class Image;
class ThumbnailLoader;

// Turns the mark-up of one screenshot into files: a full-size marked copy beside the original
// and a new thumbnail. The original is never touched.
namespace AttachmentService {

struct RenderedAnnotation {
    std::string markedRelativePath;               // under "captures"
    std::optional<std::string> thumbRelativePath; // under "thumbs"; absent when none was written
    std::int64_t byteCount = 0;                   // of the marked PNG

    bool operator==(const RenderedAnnotation&) const = default;
};

// Writes the screenshot's row; throws when the write fails.
using RowWriter = std::function<void(const CaptureImage& row)>;

// "<original without its extension>-marked.png": fixed by the original's path, so saving again
// replaces the earlier copy. Nothing for a path the library's guard refuses.
std::optional<std::string> markedRelativePath(std::string_view imagePath);

// Draws the shapes onto the full-size original and writes the marked PNG and, best effort, a
// thumbnail under the month of `date`. Throws CaptureError::writeFailed or a file-system error.
// `thumbnails`, when given, forgets the files it rewrites.
RenderedAnnotation renderAnnotation(const Annotation& annotation, const CaptureImage& image,
                                    ThumbnailLoader* thumbnails = nullptr, Seconds date = now());

// Brings a stored screenshot's files and row in line with an edited mark-up: renders it, or, for
// a mark-up without shapes, writes the row without the marked copy and only then removes the
// file. Throws what rendering or `writeRow` throws; nothing is removed after a failed write.
void saveAnnotation(const Annotation& annotation, const CaptureImage& image,
                    const RowWriter& writeRow, ThumbnailLoader* thumbnails = nullptr,
                    Seconds date = now());

// The row of a screenshot whose marks were all cleared: no marked copy or mark-up, a thumbnail of
// the unmarked original (kept as it was when the original cannot be read) and its size.
CaptureImage unmarkedRow(const CaptureImage& image, ThumbnailLoader* thumbnails = nullptr,
                         Seconds date = now());
// Best effort, once no row names it any more.
void removeMarkedCopy(const CaptureImage& image, ThumbnailLoader* thumbnails = nullptr);

// A JPEG thumbnail of `image` at "thumbs/yyyy/MM/<id>.jpg" for the month of `date`; nothing when
// it cannot be made or written.
std::optional<std::string> writeThumbnail(const Image& image, std::string_view id, Seconds date,
                                          ThumbnailLoader* thumbnails);

} // namespace AttachmentService

} // namespace tavro
