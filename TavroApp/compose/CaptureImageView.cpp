#include "compose/CaptureImageView.h"

#include "library/ThumbnailLoader.h"
#include "ui/Theme.h"

#include <QIcon>
#include <QPainter>
#include <QStyle>

namespace tavro {

namespace {

constexpr int missingIconSize = 18;
constexpr int missingSpacing = 6;

} // namespace

CaptureImageView::CaptureImageView(ThumbnailLoader& loader, ContentMode mode, QWidget* parent)
    : QWidget(parent)
    , loader_(loader)
    , mode_(mode) {}

void CaptureImageView::setPath(const QString& path) {
    if (path == path_)
        return;
    path_ = path;
    if (isVisible())
        reload();
}

CaptureImageView::Shown CaptureImageView::shown() const {
    if (!image_.isNull())
        return Shown::image;
    return failed_ ? Shown::missing : Shown::placeholder;
}

void CaptureImageView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    reload();
}

// Clears nothing before it starts: what is on screen stays until something replaces it.
void CaptureImageView::reload() {
    if (path_.isEmpty()) {
        failed_ = true;
        update();
        return;
    }
    const QString requested = path_;
    loader_.load(requested, this, [this, requested](const QImage& image) {
        // A slow read of a file this view no longer shows must not replace the newer one.
        if (requested != path_)
            return;
        if (image.isNull())
            failed_ = true;
        else
            image_ = image;
        update();
    });
}

void CaptureImageView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    switch (shown()) {
    case Shown::image:
        paintImage(painter);
        break;
    case Shown::missing:
        paintMissing(painter);
        break;
    case Shown::placeholder:
        painter.fillRect(rect(), Theme::surfaceSunken.resolved(palette()));
        break;
    }
}

void CaptureImageView::paintImage(QPainter& painter) {
    const QSizeF imageSize = image_.size();
    QSizeF target = imageSize.scaled(
        size(), mode_ == ContentMode::fit ? Qt::KeepAspectRatio : Qt::KeepAspectRatioByExpanding);
    QRectF area(QPointF(0, 0), target);
    area.moveCenter(QRectF(rect()).center());
    painter.setClipRect(rect());
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(area, image_);
}

void CaptureImageView::paintMissing(QPainter& painter) {
    paintMissingImage(painter, rect(), *this);
}

void paintMissingImage(QPainter& painter, const QRect& area, const QWidget& widget) {
    const QColor color = Theme::textTertiary.resolved(widget.palette());
    const QString text = QStringLiteral("Image missing");
    const QFont font = Theme::Font::caption();
    const QFontMetrics metrics(font);
    // A tile too small for the words shows the symbol alone rather than clipped text.
    const bool withText = metrics.horizontalAdvance(text) <= area.width() &&
                          missingIconSize + missingSpacing + metrics.height() <= area.height();
    const int height = missingIconSize + (withText ? missingSpacing + metrics.height() : 0);
    const int top = area.top() + (area.height() - height) / 2;

    QIcon icon = QIcon::fromTheme(QStringLiteral("image-missing"));
    if (icon.isNull())
        icon = widget.style()->standardIcon(QStyle::SP_MessageBoxWarning);
    const QRect iconRect(area.left() + (area.width() - missingIconSize) / 2, top, missingIconSize,
                         missingIconSize);
    icon.paint(&painter, iconRect, Qt::AlignCenter, QIcon::Disabled);
    if (!withText)
        return;

    painter.save();
    painter.setPen(color);
    painter.setFont(font);
    painter.drawText(
        QRect(area.left(), top + missingIconSize + missingSpacing, area.width(), metrics.height()),
        Qt::AlignHCenter | Qt::AlignTop, text);
    painter.restore();
}

} // namespace tavro
