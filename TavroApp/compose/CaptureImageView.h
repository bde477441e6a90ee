#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

class QPainter;

namespace tavro {

class ThumbnailLoader;

enum class ContentMode { fit, fill };

// Shows the image of one file: a plain fill while it loads, the image once read, or an
// "Image missing" notice when there is no file or it cannot be read. Changing the file keeps
// the previous image on screen until the new one arrives.
class CaptureImageView final : public QWidget {
    Q_OBJECT

public:
    enum class Shown { placeholder, image, missing };

    CaptureImageView(ThumbnailLoader& loader, ContentMode mode, QWidget* parent = nullptr);
    CaptureImageView(const CaptureImageView&) = delete;
    CaptureImageView& operator=(const CaptureImageView&) = delete;

    // An empty path means there is no file.
    void setPath(const QString& path);
    const QString& path() const { return path_; }

    // Reads the file again: it was rewritten in place (a new mark-up of the same screenshot).
    void reload();

    Shown shown() const;
    const QImage& image() const { return image_; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void paintImage(QPainter& painter);
    void paintMissing(QPainter& painter);

    ThumbnailLoader& loader_;
    ContentMode mode_;
    QString path_;
    QImage image_;
    bool failed_ = false;
};

// The "Image missing" notice every view of a screenshot shows, centred in `area`: the symbol,
// and the words below it where they fit.
void paintMissingImage(QPainter& painter, const QRect& area, const QWidget& widget);

} // namespace tavro
