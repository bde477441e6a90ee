#include "library/ThumbnailLoader.h"

#include "values/QtImage.h"
#include "values/Utf8.h"

#include <QPointer>
#include <QThread>

namespace tavro {

ThumbnailLoader::ThumbnailLoader(ThumbnailCacheLimits limits, QObject* parent)
    : QObject(parent)
    , cache_(limits) {
    pool_.setObjectName(QStringLiteral("dev.tavro.thumbnails"));
}

ThumbnailLoader::~ThumbnailLoader() {
    // Reads still running post their results to this object; let them finish first.
    pool_.waitForDone();
}

void ThumbnailLoader::load(const QString& path, const QObject* receiver, Completion completion) {
    if (auto image = cache_.find(path)) {
        completion(*image);
        return;
    }
    const quint64 generation = evictions_.value(path);
    QPointer<const QObject> guard(receiver);
    const bool guarded = receiver != nullptr;
    pool_.start([this, path, generation, guard, guarded, completion = std::move(completion)] {
        QImage image = QtImage::wrap(Image::load(toStdString(path)));
        QMetaObject::invokeMethod(
            this,
            [this, path, generation, guard, guarded, completion, image = std::move(image)] {
                deliver(path, generation, image);
                if (!guarded || guard)
                    completion(image);
            },
            Qt::QueuedConnection);
    });
}

void ThumbnailLoader::prime(const QString& path, const QImage& image) {
    evict(path);
    cache_.insert(path, image);
}

void ThumbnailLoader::evict(const QString& path) {
    if (QThread::currentThread() != thread()) {
        // The library's writer rewrites files on its own thread; the cache is the GUI thread's.
        QMetaObject::invokeMethod(
            this, [this, path] { evict(path); }, Qt::QueuedConnection);
        return;
    }
    cache_.remove(path);
    ++evictions_[path];
}

void ThumbnailLoader::deliver(const QString& path, quint64 generation, const QImage& image) {
    if (!image.isNull() && evictions_.value(path) == generation)
        cache_.insert(path, image);
}

} // namespace tavro
