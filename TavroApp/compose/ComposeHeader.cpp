#include "compose/ComposeHeader.h"

#include "compose/CaptureImageView.h"
#include "compose/ComposeState.h"
#include "compose/ComposeTexts.h"
#include "compose/SidewaysWheel.h"
#include "library/ThumbnailLoader.h"
#include "ui/Buttons.h"
#include "ui/Icons.h"
#include "ui/Labels.h"
#include "ui/Theme.h"
#include "values/Utf8.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <cmath>

namespace tavro {

namespace {

// The strip only scrolls sideways, and so does the wheel over it.
class SidewaysScrollArea final : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

protected:
    void wheelEvent(QWheelEvent* event) override {
        if (turnWheelSideways(*horizontalScrollBar(), *event))
            event->accept();
        else
            QScrollArea::wheelEvent(event);
    }
};

QColor themed(const QWidget* widget, const DynamicColor& color) {
    return color.resolved(widget->palette());
}

QString filePath(const PendingImage& image) {
    const auto file = displayFile(image);
    return file ? toQString(file->string()) : QString();
}

QLabel* label(const QString& text, const QFont& font, const QWidget* owner,
              const DynamicColor& color) {
    auto* shown = plainLabel(text);
    shown->setFont(font);
    QPalette palette = shown->palette();
    palette.setColor(QPalette::WindowText, themed(owner, color));
    shown->setPalette(palette);
    return shown;
}

// A capsule of white text (and a symbol) on a dark see-through fill, as drawn over pictures.
void paintCapsule(QPainter& painter, const QRectF& rect, double alpha) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, static_cast<int>(std::lround(alpha * 255))));
    painter.drawRoundedRect(rect, rect.height() / 2, rect.height() / 2);
}

// The painted tile at the start of the text-only header.
class SymbolTile final : public QWidget {
public:
    explicit SymbolTile(QWidget* parent)
        : QWidget(parent) {
        setFixedSize(34, 34);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(themed(this, Theme::surface));
        painter.setPen(QPen(themed(this, Theme::border), 0.5));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25), 8, 8);
        paintIcon(painter, Icon::textAlignleft, QRectF(9.5, 9.5, 15, 15),
                  themed(this, Theme::textTertiary), 1.1);
    }
};

// The size badge and the mark-up hint over the preview; clicks go through to the preview.
class PreviewMarks final : public QWidget {
public:
    explicit PreviewMarks(QWidget* parent)
        : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    QString size;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QFont font = Theme::Font::caption();
        const QFontMetricsF metrics(font);
        painter.setFont(font);

        const double badgeWidth = metrics.horizontalAdvance(size) + 14;
        const double badgeHeight = metrics.height() + 6;
        const QRectF badge(width() - 10 - badgeWidth, 10, badgeWidth, badgeHeight);
        paintCapsule(painter, badge, 0.55);
        painter.setPen(Qt::white);
        painter.drawText(badge, Qt::AlignCenter, size);

        const QString hint = ComposeTexts::clickToMarkUp();
        const double glyph = 11, gap = 4;
        const double hintWidth = glyph + gap + metrics.horizontalAdvance(hint) + 16;
        const double hintHeight = metrics.height() + 8;
        const QRectF pill(10, height() - 10 - hintHeight, hintWidth, hintHeight);
        paintCapsule(painter, pill, 0.5);
        paintIcon(painter, Icon::pencilTip,
                  QRectF(pill.left() + 8, pill.center().y() - glyph / 2, glyph, glyph), Qt::white,
                  1.1);
        painter.setPen(Qt::white);
        painter.drawText(pill.adjusted(8 + glyph + gap, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft,
                         hint);
    }
};

} // namespace

TextOnlyHeader::TextOnlyHeader(std::function<void()> onAddScreenshot, QWidget* parent)
    : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(12);
    row->addWidget(new SymbolTile(this), 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(
        label(ComposeTexts::noScreenshot(), Theme::Font::headline(), this, Theme::textPrimary));
    auto* detail = label(ComposeTexts::noScreenshotDetail(), Theme::Font::caption(), this,
                         Theme::textTertiary);
    detail->setWordWrap(true);
    texts->addWidget(detail);
    row->addLayout(texts, 1);
    auto* add = new SecondaryButton(ComposeTexts::addScreenshot(), this);
    add->setSymbol(Icon::plus);
    add->setToolTip(ComposeTexts::addScreenshotHelp());
    add->setAccessibleName(ComposeTexts::addScreenshot());
    add->setAccessibleDescription(ComposeTexts::addScreenshotHelp());
    connect(add, &QAbstractButton::clicked, this, [onAddScreenshot] { onAddScreenshot(); });
    row->addWidget(add, 0, Qt::AlignVCenter);
    add_ = add;
}

void TextOnlyHeader::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), themed(this, Theme::surfaceSunken));
}

PreviewArea::PreviewArea(ThumbnailLoader& loader, QWidget* parent)
    : QAbstractButton(parent) {
    setFixedHeight(height);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(ComposeTexts::clickToMarkUp());
    image_ = new CaptureImageView(loader, ContentMode::fit, this);
    image_->setAttribute(Qt::WA_TransparentForMouseEvents);
    marks_ = new PreviewMarks(this);
}

QString PreviewArea::sizeText(const ImageWriter::Written& written) {
    return QString::number(written.width) + QStringLiteral(" × ") + QString::number(written.height);
}

void PreviewArea::setImage(const PendingImage& image) {
    image_->setPath(filePath(image));
    static_cast<PreviewMarks*>(marks_)->size = sizeText(image.written);
    setAccessibleDescription(sizeText(image.written));
    marks_->update();
}

const QString& PreviewArea::shownPath() const {
    return image_->path();
}

void PreviewArea::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), themed(this, Theme::surfaceSunken));
}

void PreviewArea::resizeEvent(QResizeEvent*) {
    image_->setGeometry(rect().adjusted(10, 10, -10, -10));
    marks_->setGeometry(rect());
}

StripTile::StripTile(ThumbnailLoader& loader, const PendingImage& image, QWidget* parent)
    : QAbstractButton(parent)
    , imageID_(image.id)
    , marked_(!image.annotation.isEmpty()) {
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setCheckable(false);
    setAccessibleName(QStringLiteral("Screenshot ") + PreviewArea::sizeText(image.written));
    loader.load(filePath(image), this, [this](const QImage& loaded) {
        picture_ = loaded;
        loaded_ = true;
        update();
    });
}

void StripTile::setSelected(bool selected) {
    if (selected_ == selected)
        return;
    selected_ = selected;
    setAccessibleDescription(selected ? QStringLiteral("selected") : QString());
    update();
}

void StripTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF bounds(rect());
    QPainterPath shape;
    shape.addRoundedRect(bounds, 5, 5);
    painter.fillPath(shape, themed(this, Theme::surface));
    if (!picture_.isNull()) {
        painter.save();
        painter.setClipPath(shape);
        QSizeF fitted = QSizeF(picture_.size()).scaled(bounds.size(), Qt::KeepAspectRatio);
        QRectF target(QPointF(0, 0), fitted);
        target.moveCenter(bounds.center());
        painter.drawImage(target, picture_);
        painter.restore();
    } else if (loaded_) {
        paintMissingImage(painter, rect(), *this);
    }
    const double line = selected_ ? 2 : 0.5;
    painter.setPen(QPen(themed(this, selected_ ? Theme::accent : Theme::border), line));
    painter.setBrush(Qt::NoBrush);
    const double inset = line / 2;
    painter.drawRoundedRect(bounds.adjusted(inset, inset, -inset, -inset), 5 - inset, 5 - inset);
    if (marked_) {
        const double glyph = 6, pad = 2.5, diameter = glyph + 2 * pad;
        const QRectF badge(bounds.right() - 2 - diameter, bounds.bottom() - 2 - diameter, diameter,
                           diameter);
        painter.setPen(Qt::NoPen);
        painter.setBrush(themed(this, Theme::accent));
        painter.drawEllipse(badge);
        paintIcon(painter, Icon::pencilTip, badge.adjusted(pad, pad, -pad, -pad), Qt::white, 1.4);
    }
}

AddTile::AddTile(QWidget* parent)
    : QAbstractButton(parent) {
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setToolTip(ComposeTexts::addHelp());
    setAccessibleName(ComposeTexts::add());
    setAccessibleDescription(ComposeTexts::addHelp());
}

void AddTile::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setBrush(themed(this, Theme::surface));
    QPen dashed(themed(this, Theme::borderStrong), 1);
    dashed.setDashPattern({4, 3});
    painter.setPen(dashed);
    painter.drawRoundedRect(bounds, 4.5, 4.5);
    const QColor ink = themed(this, Theme::textTertiary);
    const QFont font = Theme::Font::micro();
    const QFontMetricsF metrics(font);
    const double glyph = 12, gap = 1;
    const double top = (height() - glyph - gap - metrics.height()) / 2;
    paintIcon(painter, Icon::plus, QRectF((width() - glyph) / 2, top, glyph, glyph), ink, 1.1);
    painter.setFont(font);
    painter.setPen(ink);
    painter.drawText(QRectF(0, top + glyph + gap, width(), metrics.height()), Qt::AlignCenter,
                     ComposeTexts::add());
}

PendingStrip::PendingStrip(ThumbnailLoader& loader, const std::vector<PendingImage>& images,
                           QWidget* parent)
    : QWidget(parent) {
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new SidewaysScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->viewport()->setAutoFillBackground(false);
    auto* content = new QWidget;
    content->setAutoFillBackground(false);
    auto* row = new QHBoxLayout(content);
    row->setContentsMargins(16, 8, 16, 8);
    row->setSpacing(8);
    for (const PendingImage& image : images) {
        auto* tile = new StripTile(loader, image, content);
        const QString id = toQString(image.id);
        connect(tile, &QAbstractButton::clicked, this, [this, id] { emit tileClicked(id); });
        row->addWidget(tile, 0, Qt::AlignVCenter);
        tiles_.push_back(tile);
    }
    add_ = new AddTile(content);
    connect(add_, &QAbstractButton::clicked, this, &PendingStrip::addClicked);
    row->addWidget(add_, 0, Qt::AlignVCenter);
    row->addStretch(1);
    scroll->setWidget(content);
    scroll->setFixedHeight(44 + 16);
    outer->addWidget(scroll);
}

void PendingStrip::setSelected(const std::string& imageID) {
    for (StripTile* tile : tiles_)
        tile->setSelected(tile->imageID() == imageID);
}

void PendingStrip::paintEvent(QPaintEvent*) {
    QPainter(this).fillRect(rect(), themed(this, Theme::surfaceSunken));
}

} // namespace tavro
