#include "board/BoardPainting.h"

#include "board/BoardLayout.h"
#include "ui/AppIconView.h"
#include "ui/Badges.h"
#include "ui/Icons.h"
#include "ui/PersonAvatar.h"
#include "ui/Theme.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace tavro {

namespace {

QColor themed(const DynamicColor& color, const QPalette& palette) {
    return color.resolved(palette);
}

QColor withAlpha(QColor color, double alpha) {
    color.setAlphaF(float(alpha));
    return color;
}

QPainterPath roundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// A soft shadow under a rounded rectangle: rings of falling opacity out to `radius`.
void paintShadow(QPainter& painter, const QRectF& rect, double corner, double opacity,
                 double radius, double dy) {
    const int steps = std::max(2, int(radius / 2));
    painter.setPen(Qt::NoPen);
    for (int i = steps; i >= 1; --i) {
        const double spread = radius * i / steps;
        const double alpha = opacity * 2 / steps * (1 - double(i - 1) / steps);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, float(alpha)));
        const QRectF ring =
            rect.translated(0, dy).adjusted(-spread / 2, -spread / 2, spread / 2, spread / 2);
        painter.drawRoundedRect(ring, corner + spread / 2, corner + spread / 2);
    }
}

constexpr double cardCorner = 12;
constexpr double rowThumbnailCorner = 5;
// How far a card's shadow reaches past it.
constexpr double chromeMargin = 20;

// The card's shadow, rounded surface and sunken header: the same for every card of one size and
// look, so drawn once and then copied. The GUI thread paints; nothing else touches the cache.
const QImage& cardChrome(QSizeF size, bool hovering, const QPalette& palette, double ratio) {
    static QHash<QString, QImage> cache;
    const QColor surface = themed(Theme::surface, palette);
    const QColor sunken = themed(Theme::surfaceSunken, palette);
    const QString key = QString::number(size.width()) + u'x' + QString::number(size.height()) +
                        u'/' + QString::number(int(hovering)) + u'/' +
                        QString::number(surface.rgba()) + u'/' + QString::number(sunken.rgba()) +
                        u'@' + QString::number(ratio);
    if (auto hit = cache.constFind(key); hit != cache.constEnd())
        return *hit;
    const QSizeF whole = size + QSizeF(2 * chromeMargin, 2 * chromeMargin);
    QImage image((whole * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF rect(QPointF(chromeMargin, chromeMargin), size);
    paintShadow(painter, rect, cardCorner, hovering ? 0.14 : 0.05, hovering ? 12 : 3,
                hovering ? 5 : 1);
    const QPainterPath shape = roundedRect(rect, cardCorner);
    painter.fillPath(shape, surface);
    QPainterPath header;
    header.addRect(QRectF(rect.topLeft(), QSizeF(size.width(), CardGridLayout::headerHeight)));
    painter.fillPath(shape.intersected(header), sunken);
    painter.end();
    if (cache.size() >= 64)
        cache.clear();
    return *cache.insert(key, image);
}

double textWidth(const QString& text, const QFont& font) {
    return QFontMetricsF(font).horizontalAdvance(text);
}

// One line of text starting at `x`, vertically centred on `centreY`; returns its right end.
double paintLine(QPainter& painter, double x, double centreY, const QString& text,
                 const QFont& font, const QColor& color, double maxWidth = -1,
                 Qt::TextElideMode elide = Qt::ElideRight) {
    const QFontMetricsF metrics(font);
    QString shown = text;
    double width = metrics.horizontalAdvance(text);
    if (maxWidth >= 0 && width > maxWidth) {
        shown = metrics.elidedText(text, elide, maxWidth);
        width = metrics.horizontalAdvance(shown);
    }
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QRectF(x, centreY - metrics.height() / 2, width + 1, metrics.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, shown);
    return x + width;
}

// Over the frame's sunken fill, which the caller has painted.
void paintPicture(QPainter& painter, const QRectF& frame, const BoardPicture& picture,
                  const QPalette& palette) {
    if (picture.state == BoardPicture::State::image && !picture.image.isNull()) {
        const QSizeF size = QSizeF(picture.image.size()) / picture.image.devicePixelRatio();
        QRectF area(QPointF(0, 0), size);
        area.moveCenter(frame.center());
        painter.drawImage(area.topLeft(), picture.image);
        return;
    }
    if (picture.state != BoardPicture::State::missing)
        return;
    const QFont font = Theme::Font::caption();
    const double icon = std::min(18.0, frame.height() / 3);
    const double textHeight = QFontMetricsF(font).height();
    // The words only where they fit whole: a row's small frame shows the symbol alone.
    const bool withText =
        frame.height() >= icon + 4 + textHeight + 8 &&
        QFontMetricsF(font).horizontalAdvance(QStringLiteral("Image missing")) <= frame.width() - 8;
    const double height = withText ? icon + 4 + textHeight : icon;
    const double top = frame.center().y() - height / 2;
    const QColor color = themed(Theme::textTertiary, palette);
    paintIcon(painter, Icon::exclamationmarkTriangleFill,
              QRectF(frame.center().x() - icon / 2, top, icon, icon), color);
    if (withText) {
        painter.setFont(font);
        painter.setPen(color);
        painter.drawText(QRectF(frame.left(), top + icon + 4, frame.width(), textHeight),
                         Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("Image missing"));
    }
}

// A capsule badge of a symbol and a text, `padX` by 3.5 around them; returns its width.
double paintSymbolBadge(QPainter& painter, QPointF topLeft, double height, Icon icon,
                        const QString& text, const QFont& font, const QColor& foreground,
                        const QColor& fill, std::optional<QColor> stroke) {
    const double width = 6 + 8 + 3 + textWidth(text, font) + 6;
    const QRectF bounds(topLeft, QSizeF(width, height));
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(bounds, height / 2, height / 2);
    if (stroke) {
        painter.setPen(QPen(*stroke, 0.5));
        painter.setBrush(Qt::NoBrush);
        const QRectF inner = bounds.adjusted(0.25, 0.25, -0.25, -0.25);
        painter.drawRoundedRect(inner, inner.height() / 2, inner.height() / 2);
    }
    paintIcon(painter, icon, QRectF(bounds.left() + 6, bounds.center().y() - 4, 8, 8), foreground,
              1.4);
    paintLine(painter, bounds.left() + 6 + 8 + 3, bounds.center().y(), text, font, foreground);
    return width;
}

double badgeHeight() {
    return std::ceil(QFontMetricsF(Theme::Font::micro()).height() + 7);
}

// The group's dot and name; returns the right end.
double paintGroupChip(QPainter& painter, double x, double centreY, const GroupChipContent& group,
                      const QPalette& palette, double maxWidth = -1) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(colorFromRGB(hexColorValue(group.colorHex)));
    painter.drawEllipse(QRectF(x, centreY - 3, 6, 6));
    return paintLine(painter, x + 10, centreY, group.name, Theme::Font::caption(),
                     themed(Theme::textSecondary, palette), maxWidth < 0 ? -1 : maxWidth - 10);
}

double groupChipWidth(const GroupChipContent& group) {
    return 10 + textWidth(group.name, Theme::Font::caption());
}

QString countText(std::int64_t count) {
    return QString::number(count);
}

double commentCountWidth(std::int64_t count) {
    return 8 + 2 + textWidth(countText(count), Theme::Font::caption());
}

double paintCommentCount(QPainter& painter, double x, double centreY, std::int64_t count,
                         const QPalette& palette) {
    const QColor color = themed(Theme::textTertiary, palette);
    paintIcon(painter, Icon::bubbleLeftFill, QRectF(x, centreY - 4, 8, 8), color);
    return paintLine(painter, x + 10, centreY, countText(count), Theme::Font::caption(), color);
}

// The app's icon, its name, and after a dot `trailing` (the age on a card, the window title in
// a row).
void paintSourceLine(QPainter& painter, QPointF left, double width, double iconSize,
                     const QString& appName, const std::optional<QString>& trailing,
                     bool trailingMiddleElided, const BoardPaintInputs& inputs) {
    const double centreY = left.y();
    AppIconView::paint(painter, QRectF(left.x(), centreY - iconSize / 2, iconSize, iconSize),
                       inputs.appIcon, inputs.palette);
    const double right = left.x() + width;
    double x = left.x() + iconSize + 5;
    x = paintLine(painter, x, centreY, appName, Theme::Font::caption(),
                  themed(Theme::textSecondary, inputs.palette), std::max(0.0, right - x));
    if (!trailing)
        return;
    x += 5;
    if (x >= right)
        return;
    x = paintLine(painter, x, centreY, QStringLiteral("·"), Theme::Font::body(),
                  themed(Theme::textTertiary, inputs.palette));
    x += 5;
    if (x < right)
        paintLine(painter, x, centreY, *trailing, Theme::Font::caption(),
                  themed(Theme::textTertiary, inputs.palette), right - x,
                  trailingMiddleElided ? Qt::ElideMiddle : Qt::ElideRight);
}

void paintHoverAction(QPainter& painter, const QRectF& rect, CardAction action) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.6f));
    painter.drawEllipse(rect);
    const double glyph = 11;
    paintIcon(painter, symbol(action),
              QRectF(rect.center().x() - glyph / 2, rect.center().y() - glyph / 2, glyph, glyph),
              Qt::white, 1.3);
}

void paintPills(QPainter& painter, const QRectF& header, const CaptureCardContent& content,
                const QPalette& palette) {
    const bool onImage = content.hasImage;
    const double height = badgeHeight();
    const double centreY = header.top() + 8 + height / 2;
    double x = header.left() + 8;
    const QSize pill = StatusPill::measure(content.status, false);
    StatusPill::paint(painter, QPointF(x, centreY - pill.height() / 2.0), content.status, false,
                      onImage, palette);
    x += pill.width() + 5;
    if (content.imageCountBadge) {
        x += paintSymbolBadge(painter, QPointF(x, centreY - height / 2), height,
                              Icon::squareOnSquare, countText(*content.imageCountBadge),
                              Theme::Font::micro(), Theme::OnImage::label(),
                              Theme::OnImage::scrim(), std::nullopt) +
             5;
    }
    if (content.noScreenshotBadge) {
        paintSymbolBadge(painter, QPointF(x, centreY - height / 2), height, Icon::textAlignleft,
                         QString::fromUtf8(CardTexts::noScreenshot), Theme::Font::micro(),
                         themed(Theme::textTertiary, palette), themed(Theme::surface, palette),
                         themed(Theme::border, palette));
    }
    const QSize badge = PriorityBadge::measure(content.priority);
    if (!badge.isEmpty())
        PriorityBadge::paint(
            painter, QPointF(header.right() - 8 - badge.width(), centreY - badge.height() / 2.0),
            content.priority, onImage, palette);
}

void paintNoteHeader(QPainter& painter, const QRectF& header, const CaptureCardContent& content,
                     const QPalette& palette) {
    const double width = header.width() - 24;
    const QPointF topLeft(header.left() + 12, header.top() + 36);
    const double bottom = header.bottom() - 10;
    painter.save();
    painter.setClipRect(QRectF(topLeft, QPointF(header.right(), bottom)));
    const double used =
        paintWrappedText(painter, topLeft, width, content.title, Theme::Font::headline(),
                         themed(Theme::textPrimary, palette), 2);
    if (!content.noteBody.isEmpty()) {
        const double top = topLeft.y() + used + 5;
        const double lineHeight = QFontMetricsF(Theme::Font::callout()).lineSpacing();
        const int lines = std::clamp(int((bottom - top) / lineHeight), 0, 4);
        if (lines > 0)
            paintWrappedText(painter, QPointF(topLeft.x(), top), width, content.noteBody,
                             Theme::Font::callout(), themed(Theme::textSecondary, palette), lines);
    }
    painter.restore();
}

void paintMetaLine(QPainter& painter, const QRectF& line, const CaptureCardContent& content,
                   const QPalette& palette) {
    const double centreY = line.center().y();
    // From the right: comments, the claim, the assignee.
    double right = line.right();
    if (content.commentCount) {
        right -= commentCountWidth(*content.commentCount);
        paintCommentCount(painter, right, centreY, *content.commentCount, palette);
        right -= 5;
    }
    if (content.claimedByAgent) {
        right -= 9;
        paintIcon(painter, Icon::sparkles, QRectF(right, centreY - 4.5, 9, 9),
                  themed(Theme::agentTint, palette));
        right -= 5;
    }
    if (content.assignee) {
        right -= 16;
        PersonAvatar::paint(painter, QRectF(right, centreY - 8, 16, 16), content.assignee, palette);
        right -= 5;
    }
    double x = line.left();
    if (content.group) {
        x = paintGroupChip(painter, x, centreY, *content.group, palette, right - x) + 5;
    }
    // The chips shrink, their names cut short, before one is left out.
    std::vector<double> natural;
    for (const QString& tag : content.tags)
        natural.push_back(TagChip::measure(tag).width());
    const std::vector<double> widths =
        fittedChipWidths(natural, right - x, 5, TagChip::measure(QStringLiteral("ab")).width());
    for (std::size_t i = 0; i < content.tags.size(); ++i) {
        if (widths[i] <= 0)
            continue;
        const QSize chip = TagChip::measure(content.tags[i]);
        TagChip::paint(painter, QPointF(x, centreY - chip.height() / 2.0), content.tags[i], palette,
                       widths[i]);
        x += widths[i] + 5;
    }
}

} // namespace

QSize fittedPictureSize(QSize image, QSizeF frame) {
    if (image.isEmpty() || frame.isEmpty())
        return {};
    const QSizeF fitted = QSizeF(image).scaled(frame, Qt::KeepAspectRatio);
    return QSize(std::max(1, int(std::round(fitted.width()))),
                 std::max(1, int(std::round(fitted.height()))));
}

QImage roundedPicture(const QImage& fitted, QSizeF frame, bool card) {
    QImage rounded = fitted.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QSizeF size = QSizeF(rounded.size()) / rounded.devicePixelRatio();
    // The frame in the picture's own coordinates: the picture sits centred in it.
    const QPointF offset((frame.width() - size.width()) / 2, (frame.height() - size.height()) / 2);
    const double corner = card ? cardCorner : rowThumbnailCorner;
    // A card's header keeps square bottom corners: the details continue below it.
    const QRectF shape(-offset, card ? frame + QSizeF(0, 2 * corner) : frame);
    QPainter painter(&rounded);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    QPainterPath outside;
    outside.addRect(QRectF(QPointF(0, 0), size));
    painter.fillPath(outside.subtracted(roundedRect(shape, corner)), Qt::transparent);
    painter.end();
    return rounded;
}

QRectF cardPictureFrame(const QRectF& card) {
    return QRectF(card.topLeft(), QSizeF(card.width(), CardGridLayout::headerHeight));
}

QRectF rowThumbnailFrame(const QRectF& row) {
    return QRectF(row.left() + RowListLayout::insetX,
                  row.center().y() - RowListLayout::thumbnailHeight / 2,
                  RowListLayout::thumbnailWidth, RowListLayout::thumbnailHeight);
}

namespace {

// Cached: the same titles are laid out on every paint; the GUI thread paints, nothing else
// touches the cache.
const std::vector<QString>& wrappedLines(const QString& text, const QFont& font, double width,
                                         int maxLines) {
    static QHash<QString, std::vector<QString>> cache;
    const QString key =
        font.key() + u'|' + QString::number(width) + u'|' + QString::number(maxLines) + u'|' + text;
    if (auto hit = cache.constFind(key); hit != cache.constEnd())
        return *hit;
    if (cache.size() >= 4096)
        cache.clear();
    return *cache.insert(key, wrappedTextLines(text, font, width, maxLines));
}

} // namespace

std::vector<QString> wrappedTextLines(const QString& text, const QFont& font, double width,
                                      int maxLines) {
    const QFontMetricsF metrics(font);
    // The note's own line breaks end lines too.
    QString laid = text;
    laid.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    laid.replace(u'\n', QChar::LineSeparator);
    QTextLayout layout(laid, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    std::vector<QString> lines;
    while (int(lines.size()) < maxLines) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        const int start = line.textStart();
        if (int(lines.size()) + 1 < maxLines) {
            lines.push_back(
                laid.mid(start, line.textLength()).remove(QChar::LineSeparator).trimmed());
            continue;
        }
        // The last line takes the rest of its own line, and says when more follows.
        const int end = laid.indexOf(QChar::LineSeparator, start);
        QString last = (end < 0 ? laid.mid(start) : laid.mid(start, end - start)).trimmed();
        const bool more = end >= 0 && !laid.mid(end + 1).trimmed().isEmpty();
        if (more)
            last += QChar(0x2026);
        lines.push_back(metrics.elidedText(last, Qt::ElideRight, width));
    }
    layout.endLayout();
    return lines;
}

double paintWrappedText(QPainter& painter, const QPointF& topLeft, double width,
                        const QString& text, const QFont& font, const QColor& color, int maxLines) {
    const QFontMetricsF metrics(font);
    const std::vector<QString>& lines = wrappedLines(text, font, width, maxLines);
    painter.setFont(font);
    painter.setPen(color);
    double y = topLeft.y();
    for (const QString& line : lines) {
        painter.drawText(QRectF(topLeft.x(), y, width, metrics.height()),
                         Qt::AlignLeft | Qt::AlignTop, line);
        y += metrics.lineSpacing();
    }
    return lines.empty() ? 0 : double(lines.size() - 1) * metrics.lineSpacing() + metrics.height();
}

void paintCard(QPainter& painter, const QRectF& place, const CaptureCardContent& content,
               const BoardPaintInputs& inputs) {
    const QPalette& palette = inputs.palette;
    const double lift = std::clamp(inputs.lift, 0.0, 1.0);
    const QRectF rect = place.translated(0, -2 * lift);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const double ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPointF chromeAt = rect.topLeft() - QPointF(chromeMargin, chromeMargin);
    // Between the two looks the resting one fades into the lifted one.
    if (lift < 1)
        painter.drawImage(chromeAt, cardChrome(rect.size(), false, palette, ratio));
    if (lift > 0) {
        painter.setOpacity(lift);
        painter.drawImage(chromeAt, cardChrome(rect.size(), true, palette, ratio));
        painter.setOpacity(1);
    }

    // Pictures come with the header's top corners already rounded.
    const QRectF header = cardPictureFrame(rect);
    if (content.hasImage)
        paintPicture(painter, header, inputs.picture, palette);
    else
        paintNoteHeader(painter, header, content, palette);
    paintPills(painter, header, content, palette);
    if (lift > 0) {
        painter.setOpacity(lift);
        const auto rects = CardGridLayout::actionRects(rect, content.hoverActions.size());
        for (std::size_t i = 0; i < rects.size(); ++i)
            paintHoverAction(painter, rects[i], content.hoverActions[i]);
        painter.setOpacity(1);
    }

    const double pad = CardGridLayout::detailsPadding;
    const double width = rect.width() - 2 * pad;
    double y = header.bottom() + pad;
    if (content.titleInDetails()) {
        y += paintWrappedText(painter, QPointF(rect.left() + pad, y), width, content.title,
                              Theme::Font::headline(), themed(Theme::textPrimary, palette), 2);
        y += CardGridLayout::detailsSpacing;
    }
    const double caption = QFontMetricsF(Theme::Font::caption()).height();
    paintSourceLine(painter, QPointF(rect.left() + pad, y + caption / 2), width, 12,
                    content.appName, content.age, false, inputs);
    y += caption;
    if (content.hasMetaLine()) {
        y += CardGridLayout::detailsSpacing;
        const double meta = std::max(16.0, caption + 6);
        paintMetaLine(painter, QRectF(rect.left() + pad, y, width, meta), content, palette);
    }

    const QColor resting = themed(Theme::border, palette);
    const QColor lifted = withAlpha(themed(Theme::accent, palette), 0.45);
    const auto mix = [lift](float a, float b) {
        return a + (b - a) * float(lift);
    };
    const QColor stroke = QColor::fromRgbF(
        mix(resting.redF(), lifted.redF()), mix(resting.greenF(), lifted.greenF()),
        mix(resting.blueF(), lifted.blueF()), mix(resting.alphaF(), lifted.alphaF()));
    painter.setPen(QPen(stroke, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(roundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), cardCorner - 0.5));
    painter.restore();
}

void paintRow(QPainter& painter, const QRectF& rect, const CaptureRowContent& content,
              const BoardPaintInputs& inputs) {
    const QPalette& palette = inputs.palette;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (inputs.hovering) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(themed(Theme::surfaceSunken, palette));
        painter.drawRoundedRect(rect, 6, 6);
    }

    const QRectF thumb = rowThumbnailFrame(rect);
    painter.setPen(Qt::NoPen);
    painter.setBrush(themed(Theme::surfaceSunken, palette));
    painter.drawRoundedRect(thumb, rowThumbnailCorner, rowThumbnailCorner);
    if (content.hasImage)
        paintPicture(painter, thumb, inputs.picture, palette);
    else
        paintIcon(painter, Icon::textAlignleft,
                  QRectF(thumb.center().x() - 7, thumb.center().y() - 7, 14, 14),
                  themed(Theme::textTertiary, palette), 1.2);
    painter.setPen(QPen(themed(Theme::border, palette), 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(
        roundedRect(thumb.adjusted(0.25, 0.25, -0.25, -0.25), rowThumbnailCorner - 0.25));

    const double centreY = rect.center().y();
    // The trailing items, from the right edge: age, status, priority, comments, tags, group.
    double right = rect.right() - RowListLayout::insetX;
    const QFont caption = Theme::Font::caption();
    const QColor tertiary = themed(Theme::textTertiary, palette);
    painter.setFont(caption);
    painter.setPen(tertiary);
    painter.drawText(QRectF(right - 62, centreY - 10, 62, 20), Qt::AlignRight | Qt::AlignVCenter,
                     content.age);
    right -= 62 + 12;
    const QSize pill = StatusPill::measure(content.status, false);
    right -= pill.width();
    StatusPill::paint(painter, QPointF(right, centreY - pill.height() / 2.0), content.status, false,
                      false, palette);
    right -= 12;
    const QSize badge = PriorityBadge::measure(content.priority);
    if (!badge.isEmpty()) {
        right -= badge.width();
        PriorityBadge::paint(painter, QPointF(right, centreY - badge.height() / 2.0),
                             content.priority, false, palette);
        right -= 12;
    }
    if (content.commentCount) {
        right -= commentCountWidth(*content.commentCount);
        paintCommentCount(painter, right, centreY, *content.commentCount, palette);
        right -= 12;
    }
    for (auto tag = content.tags.rbegin(); tag != content.tags.rend(); ++tag) {
        const QSize chip = TagChip::measure(*tag);
        right -= chip.width();
        TagChip::paint(painter, QPointF(right, centreY - chip.height() / 2.0), *tag, palette);
        right -= 12;
    }
    if (content.group) {
        right -= groupChipWidth(*content.group);
        paintGroupChip(painter, right, centreY, *content.group, palette);
        right -= 12;
    }
    // `right` is now one spacing left of the first trailing item; the spacer of at least 8 and
    // one more spacing separate the text column from it.
    const double left = thumb.right() + 12;
    const double width = std::max(0.0, right - 8 - 12 - left);
    const double headline = QFontMetricsF(Theme::Font::headline()).height();
    const double captionHeight = QFontMetricsF(caption).height();
    const double top = centreY - (headline + 3 + captionHeight) / 2;
    paintLine(painter, left, top + headline / 2, content.title, Theme::Font::headline(),
              themed(Theme::textPrimary, palette), width);
    paintSourceLine(painter, QPointF(left, top + headline + 3 + captionHeight / 2), width, 11,
                    content.appName, content.windowTitle, true, inputs);
    painter.restore();
}

} // namespace tavro
