#include "ui/Badges.h"

#include "values/Utf8.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tavro {

namespace {

QFont microTracked() {
    QFont font = Theme::Font::micro();
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
    return font;
}

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(static_cast<float>(alpha));
    return color;
}

// A capsule row: an optional symbol of `symbolSize`, then text, padded.
struct CapsuleLayout {
    double symbolSize;
    double spacing;
    QString text;
    QFont font;
    double padX;
    double padY;

    double textWidth() const {
        return text.isEmpty() ? 0 : QFontMetricsF(font).horizontalAdvance(text);
    }
    double contentHeight() const {
        return std::max(symbolSize, text.isEmpty() ? 0.0 : QFontMetricsF(font).height());
    }
    QSize size() const {
        const double gap = text.isEmpty() || symbolSize == 0 ? 0 : spacing;
        return QSize(static_cast<int>(std::ceil(symbolSize + gap + textWidth() + 2 * padX)),
                     static_cast<int>(std::ceil(contentHeight() + 2 * padY)));
    }
};

void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& fill) {
    const double radius = rect.height() / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, radius, radius);
}

void strokeCapsule(QPainter& painter, const QRectF& rect, const QColor& color, double width) {
    const QRectF inner = rect.adjusted(width / 2, width / 2, -width / 2, -width / 2);
    const double radius = inner.height() / 2;
    painter.setPen(QPen(color, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(inner, radius, radius);
}

void paintRow(QPainter& painter, const CapsuleLayout& layout, const QRectF& bounds,
              std::optional<Icon> symbol, const QColor& symbolColor, const QColor& textColor,
              double weight) {
    double x = bounds.left() + layout.padX;
    const double centreY = bounds.center().y();
    if (symbol && layout.symbolSize > 0) {
        paintIcon(painter, *symbol,
                  QRectF(x, centreY - layout.symbolSize / 2, layout.symbolSize, layout.symbolSize),
                  symbolColor, weight);
        x += layout.symbolSize + (layout.text.isEmpty() ? 0 : layout.spacing);
    }
    if (!layout.text.isEmpty()) {
        painter.setFont(layout.font);
        painter.setPen(textColor);
        painter.drawText(QRectF(x, bounds.top(), layout.textWidth() + 1, bounds.height()),
                         Qt::AlignVCenter | Qt::AlignLeft, layout.text);
    }
}

CapsuleLayout pillLayout(CaptureStatus status, bool compact) {
    return {compact ? 8.0 : 9.0,
            4,
            compact ? QString() : StatusPill::title(status),
            microTracked(),
            compact ? 5.0 : 7.0,
            compact ? 3.0 : 3.5};
}

TavroStatusToken tokenOf(CaptureStatus status) {
    switch (status) {
    case CaptureStatus::open:
        return TavroStatusToken::open;
    case CaptureStatus::inProgress:
        return TavroStatusToken::inProgress;
    case CaptureStatus::resolved:
        return TavroStatusToken::resolved;
    case CaptureStatus::archived:
        break;
    }
    return TavroStatusToken::archived;
}

QString upper(std::string_view text) {
    return toQString(text).toUpper();
}

} // namespace

StatusPill::StatusPill(CaptureStatus status, bool compact, bool onImage, QWidget* parent)
    : QWidget(parent)
    , status_(status)
    , compact_(compact)
    , onImage_(onImage) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

Icon StatusPill::symbol(CaptureStatus status) {
    switch (status) {
    case CaptureStatus::open:
        return Icon::circleDotted;
    case CaptureStatus::inProgress:
        return Icon::circleLeftHalfFilled;
    case CaptureStatus::resolved:
        return Icon::checkmarkCircleFill;
    case CaptureStatus::archived:
        break;
    }
    return Icon::archiveboxFill;
}

DynamicColor StatusPill::color(CaptureStatus status) {
    switch (status) {
    case CaptureStatus::open:
        return Theme::statusOpen;
    case CaptureStatus::inProgress:
        return Theme::statusInProgress;
    case CaptureStatus::resolved:
        return Theme::statusResolved;
    case CaptureStatus::archived:
        break;
    }
    return Theme::statusArchived;
}

QString StatusPill::title(CaptureStatus status) {
    return upper(displayName(status));
}

QSize StatusPill::sizeHint() const {
    return measure(status_, compact_);
}

QSize StatusPill::measure(CaptureStatus status, bool compact) {
    return pillLayout(status, compact).size();
}

void StatusPill::paint(QPainter& painter, QPointF topLeft, CaptureStatus status, bool compact,
                       bool onImage, const QPalette& palette) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const auto layout = pillLayout(status, compact);
    const QRectF bounds(topLeft, QSizeF(layout.size()));
    const QColor tint = color(status).resolved(palette);
    if (onImage) {
        fillCapsule(painter, bounds, Theme::OnImage::scrim());
        paintRow(painter, layout, bounds, symbol(status), Theme::OnImage::tint(tokenOf(status)),
                 Theme::OnImage::label(), 1.4);
    } else {
        fillCapsule(painter, bounds, withAlpha(tint, 0.12));
        strokeCapsule(painter, bounds, withAlpha(tint, 0.22), 0.5);
        paintRow(painter, layout, bounds, symbol(status), tint, tint, 1.4);
    }
    painter.restore();
}

void StatusPill::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QPointF(0, 0), status_, compact_, onImage_, palette());
}

namespace {

CapsuleLayout badgeLayout(CapturePriority priority) {
    return {8, 3, upper(displayName(priority)), microTracked(), 6, 3.5};
}

} // namespace

PriorityBadge::PriorityBadge(CapturePriority priority, bool onImage, QWidget* parent)
    : QWidget(parent)
    , priority_(priority)
    , onImage_(onImage) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // A hidden widget takes no room in a layout.
    if (priority_ == CapturePriority::normal)
        setVisible(false);
}

QSize PriorityBadge::sizeHint() const {
    return measure(priority_);
}

QSize PriorityBadge::measure(CapturePriority priority) {
    if (priority == CapturePriority::normal)
        return QSize(0, 0);
    return badgeLayout(priority).size();
}

void PriorityBadge::paint(QPainter& painter, QPointF topLeft, CapturePriority priority,
                          bool onImage, const QPalette& palette) {
    if (priority == CapturePriority::normal)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const bool high = priority == CapturePriority::high;
    const QColor tint =
        onImage ? (high ? Theme::OnImage::priorityHigh() : Theme::OnImage::priorityLow())
                : (high ? Theme::priorityHigh : Theme::priorityLow).resolved(palette);
    const auto layout = badgeLayout(priority);
    const QRectF bounds(topLeft, QSizeF(layout.size()));
    fillCapsule(painter, bounds, onImage ? Theme::OnImage::scrim() : withAlpha(tint, 0.12));
    paintRow(painter, layout, bounds, high ? Icon::arrowUp : Icon::arrowDown, tint,
             onImage ? Theme::OnImage::label() : tint, 1.4);
    painter.restore();
}

void PriorityBadge::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paint(painter, QPointF(0, 0), priority_, onImage_, palette());
}

namespace {

constexpr double chipPadX = 7;
constexpr double chipPadY = 3;
constexpr double chipSpacing = 3;
constexpr int removeSide = 9;

class RemoveTagButton final : public QAbstractButton {
public:
    explicit RemoveTagButton(QWidget* parent)
        : QAbstractButton(parent) {
        setCursor(Qt::ArrowCursor);
        setFixedSize(removeSide, removeSide);
        setToolTip(QStringLiteral("Remove"));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        paintIcon(painter, Icon::xmark, QRectF(1, 1, 7, 7), Theme::textTertiary.resolved(palette()),
                  1.4);
    }
};

} // namespace

TagChip::TagChip(const QString& name, std::function<void()> onRemove, QWidget* parent)
    : QWidget(parent)
    , name_(name) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    if (onRemove) {
        removeButton_ = new RemoveTagButton(this);
        connect(removeButton_, &QAbstractButton::clicked, this,
                [onRemove = std::move(onRemove)] { onRemove(); });
    }
}

QSize TagChip::sizeHint() const {
    const QFontMetricsF metrics(Theme::Font::caption());
    double width = 2 * chipPadX + metrics.horizontalAdvance(name_);
    if (removeButton_)
        width += chipSpacing + removeSide;
    return QSize(static_cast<int>(std::ceil(width)),
                 static_cast<int>(std::ceil(metrics.height() + 2 * chipPadY)));
}

QSize TagChip::measure(const QString& name) {
    const QFontMetricsF metrics(Theme::Font::caption());
    return QSize(static_cast<int>(std::ceil(2 * chipPadX + metrics.horizontalAdvance(name))),
                 static_cast<int>(std::ceil(metrics.height() + 2 * chipPadY)));
}

void TagChip::paint(QPainter& painter, QPointF topLeft, const QString& name,
                    const QPalette& palette, std::optional<double> width) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QSize size = measure(name);
    const double shown = width ? std::min(*width, double(size.width())) : size.width();
    const QRectF bounds(topLeft, QSizeF(shown, size.height()));
    fillCapsule(painter, bounds, Theme::surfaceSunken.resolved(palette));
    strokeCapsule(painter, bounds, Theme::border.resolved(palette), 0.5);
    const QFont font = Theme::Font::caption();
    painter.setFont(font);
    painter.setPen(Theme::textSecondary.resolved(palette));
    const QRectF text = bounds.adjusted(chipPadX, 0, -chipPadX, 0);
    painter.drawText(text.adjusted(0, 0, 1, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     QFontMetricsF(font).elidedText(name, Qt::ElideRight, text.width() + 0.5));
    painter.restore();
}

void TagChip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(QPointF(0, 0), QSizeF(sizeHint()));
    fillCapsule(painter, bounds, Theme::surfaceSunken.resolved(palette()));
    strokeCapsule(painter, bounds, Theme::border.resolved(palette()), 0.5);
    painter.setFont(Theme::Font::caption());
    painter.setPen(Theme::textSecondary.resolved(palette()));
    const double textWidth = QFontMetricsF(Theme::Font::caption()).horizontalAdvance(name_);
    painter.drawText(QRectF(chipPadX, 0, textWidth + 1, bounds.height()),
                     Qt::AlignVCenter | Qt::AlignLeft, name_);
}

void TagChip::resizeEvent(QResizeEvent*) {
    if (!removeButton_)
        return;
    const double textWidth = QFontMetricsF(Theme::Font::caption()).horizontalAdvance(name_);
    removeButton_->move(static_cast<int>(chipPadX + textWidth + chipSpacing),
                        (sizeHint().height() - removeSide) / 2);
}

} // namespace tavro
