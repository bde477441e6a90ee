#pragma once

#include "model/Capture.h"
#include "model/CaptureImage.h"

#include <optional>
#include <string>
#include <string_view>

namespace tavro::ImageFiles {

// Best-effort removal of the files a row names. Every stored path goes through the library's
// path guard, so an empty, absolute or climbing path removes nothing; folders are never
// removed; errors are ignored.
void removeImage(std::string_view relative);
void removeThumb(std::string_view relative);
// For files a flow may or may not have written yet.
void removeImageIfNamed(const std::optional<std::string>& relative);
void removeThumbIfNamed(const std::optional<std::string>& relative);
void removeFiles(const CaptureImage& image);
void removeCover(const Capture& capture);

} // namespace tavro::ImageFiles
