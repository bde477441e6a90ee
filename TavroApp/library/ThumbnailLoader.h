#pragma once

#include "library/ThumbnailCache.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QString>
#include <QThreadPool>

#include <functional>

namespace tavro {

// Reads image files for views off the GUI thread and keeps the decoded images in a bounded
// cache keyed by file path. One per process, owned by the composition root.
class ThumbnailLoader final : public QObject {
    Q_OBJECT

public:
    // Receives the image, or a null image when the file cannot be read.
    using Completion = std::function<void(const QImage&)>;

    explicit ThumbnailLoader(ThumbnailCacheLimits limits = {}, QObject* parent = nullptr);
    ~ThumbnailLoader() override;
    ThumbnailLoader(const ThumbnailLoader&) = delete;
    ThumbnailLoader& operator=(const ThumbnailLoader&) = delete;

    // A cache hit runs `completion` at once, before this returns. Otherwise the file is decoded on
    // the loader's pool and `completion` runs later on the GUI thread, unless `receiver` is gone by
    // then (a null `receiver` never goes). Failures are never cached.
    void load(const QString& path, const QObject* receiver, Completion completion);

    std::optional<QImage> cached(const QString& path) { return cache_.find(path); }
    // For an image that is still being written: later loads of `path` get `image`.
    void prime(const QString& path, const QImage& image);
    // For whoever rewrites or deletes a file: drops the image, and keeps a read of the old file
    // that is still under way from landing in the cache. From another thread, it happens on the
    // GUI thread before anything that thread posts afterwards.
    void evict(const QString& path);

    const ThumbnailCache& cache() const { return cache_; }

private:
    void deliver(const QString& path, quint64 generation, const QImage& image);

    ThumbnailCache cache_;
    QHash<QString, quint64> evictions_;
    QThreadPool pool_;
};

} // namespace tavro
