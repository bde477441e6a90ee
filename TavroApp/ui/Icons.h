#pragma once

#include <QColor>
#include <QIcon>
#include <QRectF>

#include <cstddef>
#include <optional>
#include <string_view>

class QPainter;

namespace tavro {

// The app's own symbols, drawn with the painter so they scale to any size and take any colour.
enum class Icon {
    viewfinder,
    circleDotted,
    circleLeftHalfFilled,
    checkmarkCircleFill,
    archiveboxFill,
    arrowUp,
    arrowDown,
    xmark,
    macwindow,
    sparkles,
    person,
    exclamationmarkTriangleFill,
    pencilTip,
    arrowUpRight,
    rectangle,
    circle,
    highlighter,
    eyeSlash,
    arrowUturnBackward,
    arrowUturnForward,
    trash,
    plus,
    trayFull,
    personCropCircleBadgeCheckmark,
    squareGrid2x2,
    folder,
    link,
    chevronDown,
    folderBadgePlus,
    number,
    magnifyingglass,
    checkmarkCircle,
    archivebox,
    textAlignleft,
    squareOnSquare,
    bubbleLeftFill,
    checkmark,
    arrowUpArrowDown,
    listBullet,
    xmarkCircleFill,
    terminal,
    message,
    cursorarrowRays,
    chevronLeftForwardslashChevronRight,
    chevronRight,
    gearshape,
    personCropCircle,
    command,
    internaldrive,
    shieldLefthalfFilled,
    checkmarkShieldFill,
    textBubble,
    chevronLeft,
    arrowsOutward,
    arrowsInward,
    docOnDoc,
    checkmarkSealFill,
    pencilTipCropCircle,
    personFill,
    arrowTriangleBranch,
};

// One past the last symbol above; the table of symbols is checked against it as it compiles.
inline constexpr std::size_t iconCount = static_cast<std::size_t>(Icon::arrowTriangleBranch) + 1;

// The symbol's name in the design ("tray.full", "circle.dotted"…), for accessible names and
// wherever a symbol is named in text.
std::string_view iconName(Icon icon);

// The symbol of that name; nothing for a name no symbol has.
std::optional<Icon> iconNamed(std::string_view name);

// Draws the symbol centred in `rect`; `weight` thickens the strokes (1 regular, about 1.4 bold).
void paintIcon(QPainter& painter, Icon icon, const QRectF& rect, const QColor& color,
               double weight = 1.0);

// The symbol as an icon image of `size` logical pixels, at the screens' pixel ratio.
QIcon iconImage(Icon icon, const QColor& color, int size);

} // namespace tavro
