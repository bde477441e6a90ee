#include "library/ThumbnailCache.h"

namespace tavro {

ThumbnailCache::ThumbnailCache(Limits limits)
    : limits_(limits) {}

std::optional<QImage> ThumbnailCache::find(const QString& path) {
    auto it = index_.find(path);
    if (it == index_.end())
        return std::nullopt;
    order_.splice(order_.begin(), order_, it.value());
    return it.value()->image;
}

void ThumbnailCache::insert(const QString& path, const QImage& image) {
    remove(path);
    if (image.isNull() || image.sizeInBytes() > limits_.bytes || limits_.count == 0)
        return;
    order_.push_front({path, image});
    index_.insert(path, order_.begin());
    bytes_ += image.sizeInBytes();
    trim();
}

void ThumbnailCache::remove(const QString& path) {
    auto it = index_.find(path);
    if (it == index_.end())
        return;
    bytes_ -= it.value()->image.sizeInBytes();
    order_.erase(it.value());
    index_.erase(it);
}

void ThumbnailCache::trim() {
    while (!order_.empty() && (count() > limits_.count || bytes_ > limits_.bytes)) {
        const Entry& oldest = order_.back();
        bytes_ -= oldest.image.sizeInBytes();
        index_.remove(oldest.path);
        order_.pop_back();
    }
}

} // namespace tavro
