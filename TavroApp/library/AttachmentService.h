#pragma once

#include "model/Annotation.h"
#include "model/CaptureImage.h"
#include "model/Time.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tavro {

class ThumbnailLoader;

// Turns the mark-up of one stored screenshot into files and its row: a full-size marked copy
// beside the original and a new thumbnail, each under a name of its own, so the row and its
// files change together when the row commits. The original is never touched. `thumbnails`, when
// given, forgets the files written and removed; it is the GUI thread's, so it is given only there.
namespace AttachmentService {

struct RenderedAnnotation {
    std::string markedRelativePath;               // under "captures"
    std::optional<std::string> thumbRelativePath; // under "thumbs"; absent when none was written
    std::int64_t byteCount = 0;                   // of the marked PNG

    bool operator==(const RenderedAnnotation&) const = default;
};

// Writes the screenshot's row; throws when the write fails.
using RowWriter = std::function<void(const CaptureImage& row)>;

// Draws the shapes onto the full-size original and writes the marked PNG and, best effort, a
// thumbnail under the month of `date`. Throws CaptureError::writeFailed or a file-system error.
RenderedAnnotation renderAnnotation(const Annotation& annotation, const CaptureImage& image,
                                    ThumbnailLoader* thumbnails = nullptr, Seconds date = now());

// Brings a stored screenshot's files and row in line with an edited mark-up: writes the new
// files, writes the row, and only then removes the files the row named before and names no
// more. Throws what rendering or `writeRow` throws; a failed row write removes the new files
// and keeps the old ones.
void saveAnnotation(const Annotation& annotation, const CaptureImage& image,
                    const RowWriter& writeRow, ThumbnailLoader* thumbnails = nullptr,
                    Seconds date = now());

// The row of a screenshot whose marks were all cleared: no marked copy or mark-up, a fresh
// thumbnail of the unmarked original (kept as it was when the original cannot be read) and the
// original's size.
CaptureImage unmarkedRow(const CaptureImage& image, ThumbnailLoader* thumbnails = nullptr,
                         Seconds date = now());
// Best effort, once the row `after` has replaced `before`: removes what `before` named and
// `after` does not.
void removeReplaced(const CaptureImage& before, const CaptureImage& after,
                    ThumbnailLoader* thumbnails = nullptr);

} // namespace AttachmentService

} // namespace tavro
