#include "ui/Icons.h"

#include "ui/IconShapes.h"

#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <array>
#include <cmath>

namespace tavro {

namespace {

// Every symbol is drawn on a 24 by 24 grid, then scaled into the rectangle.
constexpr double grid = 24;

struct IconEntry {
    Icon icon;
    std::string_view name;
    IconShapes::Draw draw;
};

// Every symbol once, in the order of the enumeration, so that a symbol's entry is found by its
// value.
constexpr std::array<IconEntry, iconCount> icons = {{
    {Icon::viewfinder, "viewfinder", IconShapes::viewfinder},
    {Icon::circleDotted, "circle.dotted", IconShapes::circleDotted},
    {Icon::circleLeftHalfFilled, "circle.lefthalf.filled", IconShapes::circleLeftHalfFilled},
    {Icon::checkmarkCircleFill, "checkmark.circle.fill", IconShapes::checkmarkCircleFill},
    {Icon::archiveboxFill, "archivebox.fill", IconShapes::archiveboxFill},
    {Icon::arrowUp, "arrow.up", IconShapes::arrowUp},
    {Icon::arrowDown, "arrow.down", IconShapes::arrowDown},
    {Icon::xmark, "xmark", IconShapes::xmark},
    {Icon::macwindow, "macwindow", IconShapes::macwindow},
    {Icon::sparkles, "sparkles", IconShapes::sparkles},
    {Icon::person, "person", IconShapes::person},
    {Icon::exclamationmarkTriangleFill, "exclamationmark.triangle.fill",
     IconShapes::exclamationmarkTriangleFill},
    {Icon::pencilTip, "pencil.tip", IconShapes::pencilTip},
    {Icon::arrowUpRight, "arrow.up.right", IconShapes::arrowUpRight},
    {Icon::rectangle, "rectangle", IconShapes::rectangle},
    {Icon::circle, "circle", IconShapes::circle},
    {Icon::highlighter, "highlighter", IconShapes::highlighter},
    {Icon::eyeSlash, "eye.slash", IconShapes::eyeSlash},
    {Icon::arrowUturnBackward, "arrow.uturn.backward", IconShapes::arrowUturnBackward},
    {Icon::arrowUturnForward, "arrow.uturn.forward", IconShapes::arrowUturnForward},
    {Icon::trash, "trash", IconShapes::trash},
    {Icon::plus, "plus", IconShapes::plus},
    {Icon::trayFull, "tray.full", IconShapes::trayFull},
    {Icon::personCropCircleBadgeCheckmark, "person.crop.circle.badge.checkmark",
     IconShapes::personCropCircleBadgeCheckmark},
    {Icon::squareGrid2x2, "square.grid.2x2", IconShapes::squareGrid2x2},
    {Icon::folder, "folder", IconShapes::folder},
    {Icon::link, "link", IconShapes::link},
    {Icon::chevronDown, "chevron.down", IconShapes::chevronDown},
    {Icon::folderBadgePlus, "folder.badge.plus", IconShapes::folderBadgePlus},
    {Icon::number, "number", IconShapes::number},
    {Icon::magnifyingglass, "magnifyingglass", IconShapes::magnifyingglass},
    {Icon::checkmarkCircle, "checkmark.circle", IconShapes::checkmarkCircle},
    {Icon::archivebox, "archivebox", IconShapes::archivebox},
    {Icon::textAlignleft, "text.alignleft", IconShapes::textAlignleft},
    {Icon::squareOnSquare, "square.on.square", IconShapes::squareOnSquare},
    {Icon::bubbleLeftFill, "bubble.left.fill", IconShapes::bubbleLeftFill},
    {Icon::checkmark, "checkmark", IconShapes::checkmark},
    {Icon::arrowUpArrowDown, "arrow.up.arrow.down", IconShapes::arrowUpArrowDown},
    {Icon::listBullet, "list.bullet", IconShapes::listBullet},
    {Icon::xmarkCircleFill, "xmark.circle.fill", IconShapes::xmarkCircleFill},
    {Icon::terminal, "terminal", IconShapes::terminal},
    {Icon::message, "message", IconShapes::message},
    {Icon::cursorarrowRays, "cursorarrow.rays", IconShapes::cursorarrowRays},
    {Icon::chevronLeftForwardslashChevronRight, "chevron.left.forwardslash.chevron.right",
     IconShapes::chevronLeftForwardslashChevronRight},
    {Icon::chevronRight, "chevron.right", IconShapes::chevronRight},
    {Icon::gearshape, "gearshape", IconShapes::gearshape},
    {Icon::personCropCircle, "person.crop.circle", IconShapes::personCropCircle},
    {Icon::command, "command", IconShapes::command},
    {Icon::internaldrive, "internaldrive", IconShapes::internaldrive},
    {Icon::shieldLefthalfFilled, "shield.lefthalf.filled", IconShapes::shieldLefthalfFilled},
    {Icon::checkmarkShieldFill, "checkmark.shield.fill", IconShapes::checkmarkShieldFill},
    {Icon::textBubble, "text.bubble", IconShapes::textBubble},
    {Icon::chevronLeft, "chevron.left", IconShapes::chevronLeft},
    {Icon::arrowsOutward, "arrow.up.left.and.arrow.down.right", IconShapes::arrowsOutward},
    {Icon::arrowsInward, "arrow.down.right.and.arrow.up.left", IconShapes::arrowsInward},
    {Icon::docOnDoc, "doc.on.doc", IconShapes::docOnDoc},
    {Icon::checkmarkSealFill, "checkmark.seal.fill", IconShapes::checkmarkSealFill},
    {Icon::pencilTipCropCircle, "pencil.tip.crop.circle", IconShapes::pencilTipCropCircle},
    {Icon::personFill, "person.fill", IconShapes::personFill},
    {Icon::arrowTriangleBranch, "arrow.triangle.branch", IconShapes::arrowTriangleBranch},
}};

constexpr bool inEnumOrder() {
    for (std::size_t i = 0; i < icons.size(); ++i)
        if (icons[i].icon != static_cast<Icon>(i))
            return false;
    return true;
}
static_assert(inEnumOrder(), "the table of symbols follows the order of enum Icon");

const IconEntry& entryOf(Icon icon) {
    return icons[static_cast<std::size_t>(icon)];
}

void drawIcon(QPainter& painter, Icon icon, const QRectF& rect, const QColor& color,
              double weight) {
    const double side = std::min(rect.width(), rect.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / grid, side / grid);
    entryOf(icon).draw(painter, color, weight);
    painter.restore();
}

// Drawn symbols by kind, colour, size, weight and pixel ratio. A board paints the same few
// dozen on every card; their paths (some with boolean operations) cost far more than a copy.
// The GUI thread paints; nothing else touches it.
QImage cachedIcon(Icon icon, const QColor& color, double side, double weight, double ratio) {
    static QHash<QString, QImage> cache;
    const QString key = QString::number(int(icon)) + u'/' + QString::number(color.rgba()) + u'/' +
                        QString::number(side) + u'/' + QString::number(weight) + u'/' +
                        QString::number(ratio);
    if (auto hit = cache.constFind(key); hit != cache.constEnd())
        return *hit;
    const int pixels = int(std::ceil(side * ratio));
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    drawIcon(painter, icon, QRectF(0, 0, side, side), color, weight);
    painter.end();
    if (cache.size() >= 512)
        cache.clear();
    cache.insert(key, image);
    return image;
}

} // namespace

std::string_view iconName(Icon icon) {
    return entryOf(icon).name;
}

std::optional<Icon> iconNamed(std::string_view name) {
    for (const IconEntry& entry : icons)
        if (entry.name == name)
            return entry.icon;
    return std::nullopt;
}

void paintIcon(QPainter& painter, Icon icon, const QRectF& rect, const QColor& color,
               double weight) {
    const double side = std::min(rect.width(), rect.height());
    if (side <= 0)
        return;
    const QPaintDevice* device = painter.device();
    // Only a plain offset keeps a cached picture as sharp as drawing the paths.
    if (!device || painter.worldTransform().type() > QTransform::TxTranslate) {
        drawIcon(painter, icon, rect, color, weight);
        return;
    }
    const QPointF origin(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.drawImage(origin, cachedIcon(icon, color, side, weight, device->devicePixelRatioF()));
}

QIcon iconImage(Icon icon, const QColor& color, int size) {
    QIcon result;
    for (double ratio : {1.0, 2.0}) {
        QPixmap pixmap(QSize(size, size) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paintIcon(painter, icon, QRectF(0, 0, size, size), color);
        painter.end();
        result.addPixmap(pixmap);
    }
    return result;
}

} // namespace tavro
