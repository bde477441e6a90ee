#include "values/QtImage.h"

#include <cstring>
#include <memory>

namespace tavro::QtImage {

QImage wrap(std::optional<Image> image) {
    if (!image)
        return {};
    auto owned = std::make_unique<Image>(std::move(*image));
    Image* raw = owned.get();
    QImage view(
        raw->pixels(), raw->width(), raw->height(), raw->stride(),
        QImage::Format_ARGB32_Premultiplied, [](void* info) { delete static_cast<Image*>(info); },
        raw);
    if (view.isNull())
        return {};
    owned.release();
    return view;
}

QImage view(std::shared_ptr<const Image> image) {
    if (!image)
        return {};
    auto holder = std::make_unique<std::shared_ptr<const Image>>(std::move(image));
    const Image& pixels = **holder;
    QImage shown(
        pixels.pixels(), pixels.width(), pixels.height(), pixels.stride(),
        QImage::Format_ARGB32_Premultiplied,
        [](void* info) { delete static_cast<std::shared_ptr<const Image>*>(info); }, holder.get());
    if (shown.isNull())
        return {};
    holder.release();
    return shown;
}

std::optional<Image> copyFrom(const QImage& source) {
    if (source.isNull())
        return std::nullopt;
    const QImage pixels = source.format() == QImage::Format_ARGB32_Premultiplied
                              ? source
                              : source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    auto image = Image::create({pixels.width(), pixels.height()});
    if (!image || pixels.isNull())
        return std::nullopt;
    const size_t rowBytes = size_t(pixels.width()) * 4;
    for (int y = 0; y < pixels.height(); ++y)
        std::memcpy(image->pixels() + size_t(y) * size_t(image->stride()), pixels.constScanLine(y),
                    rowBytes);
    return image;
}

} // namespace tavro::QtImage
