#pragma once

#include "compose/PendingCapture.h"

#include <QImage>

#include <string>

namespace tavro {

class ThumbnailLoader;

// The files of screenshots that are not stored yet: written as they are taken, changed by
// their mark-up, and removed when the capture is discarded.
namespace PendingFiles {

// Writes the screenshot's files. Throws CaptureError or a file-system error.
PendingImage write(const QImage& image);
// Removes every file the capture's screenshots wrote; what cannot be removed stays.
void discard(const PendingCapture& pending);
// Takes every mark off the screenshot: the original's thumbnail and size come back, the marked
// copy goes.
void unmark(PendingImage& image, const std::string& captureID, ThumbnailLoader* thumbnails);
// Renders the mark-up into a marked copy and a thumbnail. On failure the screenshot keeps its
// earlier marks and files, and the answer is false.
bool mark(PendingImage& image, const Annotation& annotation, const std::string& captureID,
          ThumbnailLoader* thumbnails);

} // namespace PendingFiles

} // namespace tavro
