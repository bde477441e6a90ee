#include "detail/ClipboardImage.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QMimeData>
#include <QPointer>
#include <QThreadPool>

namespace tavro {

std::optional<ClipboardImage> ClipboardImage::read(const QString& file) {
    QFile source(file);
    if (!source.open(QIODevice::ReadOnly))
        return std::nullopt;
    ClipboardImage read;
    const QByteArray bytes = source.readAll();
    if (!read.image.loadFromData(bytes))
        return std::nullopt;
    if (bytes.startsWith("\x89PNG")) {
        read.png = bytes;
    } else {
        QBuffer buffer(&read.png);
        buffer.open(QIODevice::WriteOnly);
        if (!read.image.save(&buffer, "PNG"))
            return std::nullopt;
    }
    return read;
}

void ClipboardImage::readLater(const QString& file, QObject* context,
                               std::function<void(std::optional<ClipboardImage>)> done) {
    // The answer goes through the application object, which outlives the pool's jobs (its
    // destructor waits for them); the context is looked at only on the GUI thread.
    QThreadPool::globalInstance()->start(
        [file, context = QPointer<QObject>(context), done = std::move(done)]() mutable {
            std::optional<ClipboardImage> read = ClipboardImage::read(file);
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [context = std::move(context), done = std::move(done),
                 read = std::move(read)]() mutable {
                    if (context)
                        done(std::move(read));
                },
                Qt::QueuedConnection);
        });
}

QMimeData* ClipboardImage::mimeData() const {
    auto* data = new QMimeData;
    data->setImageData(image);
    data->setData(QStringLiteral("image/png"), png);
    return data;
}

} // namespace tavro
