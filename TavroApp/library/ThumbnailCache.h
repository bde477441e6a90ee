#pragma once

#include <QHash>
#include <QImage>
#include <QString>

#include <cstddef>
#include <list>
#include <optional>

namespace tavro {

struct ThumbnailCacheLimits {
    size_t count = 300;
    qint64 bytes = qint64(256) * 1024 * 1024;
};

// Decoded images by file path, least recently used first out, bounded both by count and by the
// decoded bytes it holds: a few hundred full-size screenshots would otherwise take gigabytes.
// Not thread-safe; the loader uses it from the GUI thread only.
class ThumbnailCache {
public:
    using Limits = ThumbnailCacheLimits;

    explicit ThumbnailCache(Limits limits = {});

    // Marks a hit as the most recently used.
    std::optional<QImage> find(const QString& path);
    // Replaces any earlier image of the path. An image larger than the whole byte limit is not
    // kept.
    void insert(const QString& path, const QImage& image);
    void remove(const QString& path);

    size_t count() const { return static_cast<size_t>(index_.size()); }
    qint64 bytes() const { return bytes_; }
    const Limits& limits() const { return limits_; }

private:
    struct Entry {
        QString path;
        QImage image;
    };
    using Order = std::list<Entry>;

    void trim();

    Limits limits_;
    Order order_; // most recently used first
    QHash<QString, Order::iterator> index_;
    qint64 bytes_ = 0;
};

} // namespace tavro
