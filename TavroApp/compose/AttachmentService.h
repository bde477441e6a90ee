#pragma once

#include "model/Annotation.h"
#include "model/CaptureImage.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tavro {

class ThumbnailLoader;

// Turns the mark-up of one screenshot into files: a full-size marked copy beside the original
// and a new thumbnail. The original is never touched.
namespace AttachmentService {

struct RenderedAnnotation {
    std::string markedRelativePath;               // under "captures"
    std::optional<std::string> thumbRelativePath; // under "thumbs"; absent when none was written
    std::int64_t markedByteCount = 0;

    bool operator==(const RenderedAnnotation&) const = default;
};

// "<original without extension>-marked.png", replacing an earlier one. Throws
// CaptureError::writeFailed. `thumbnails`, when given, forgets the files it rewrites.
RenderedAnnotation renderAnnotation(const Annotation& annotation, const CaptureImage& image,
                                    ThumbnailLoader* thumbnails = nullptr);

// Stores an edited mark-up of a stored screenshot: renders it, or for a mark-up without shapes
// removes the marked copy, and rewrites the screenshot's row through `writeRow` (which throws
// when the row cannot be written). Throws on failure.
using RowWriter = std::function<void(const CaptureImage&)>;
void saveAnnotation(const Annotation& annotation, const CaptureImage& image,
                    const RowWriter& writeRow, ThumbnailLoader* thumbnails = nullptr);

} // namespace AttachmentService

} // namespace tavro
