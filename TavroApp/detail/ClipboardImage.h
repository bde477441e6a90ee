#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

#include <functional>
#include <optional>

class QMimeData;
class QObject;

namespace tavro {

// A picture file as the clipboard takes it: decoded, and as PNG bytes (the file's own when it is
// a PNG, so nothing is lost to a second encoding).
struct ClipboardImage {
    QImage image;
    QByteArray png;

    // Nothing for a file that cannot be read or decoded. Slow for a large screenshot: never on
    // the GUI thread.
    static std::optional<ClipboardImage> read(const QString& file);
    // Reads on a worker thread and answers `done` on the GUI thread, unless `context` is gone by
    // then.
    static void readLater(const QString& file, QObject* context,
                          std::function<void(std::optional<ClipboardImage>)> done);

    // For QClipboard::setMimeData, which takes it over.
    QMimeData* mimeData() const;
};

} // namespace tavro
