#pragma once

#include "model/Image.h"

#include <QImage>

#include <memory>
#include <optional>

namespace tavro::QtImage {

// Hands the core image's pixels to Qt without a copy: the returned QImage owns them from then on
// (both use premultiplied ARGB32 in native byte order). A missing image gives a null QImage.
QImage wrap(std::optional<Image> image);

// A read-only QImage over pixels that others share; they stay alive as long as the QImage or
// any copy of it does.
QImage view(std::shared_ptr<const Image> image);

// The pixels of a QImage in the core layout, for the core's codecs and renderer; nothing for a
// null image or one beyond the core's size limits.
std::optional<Image> copyFrom(const QImage& image);

} // namespace tavro::QtImage
