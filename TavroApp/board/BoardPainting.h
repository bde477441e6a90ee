#pragma once

#include "board/CaptureCardContent.h"

#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QRectF>
#include <QString>

#include <optional>
#include <vector>

class QPainter;

namespace tavro {

// A capture's picture as the painters get it: still loading, read (already scaled to fit the
// frame, at the device's pixel ratio), or missing.
struct BoardPicture {
    enum class State { loading, image, missing };
    State state = State::loading;
    QImage image;
};

struct BoardPaintInputs {
    QPalette palette;
    bool hovering = false;
    // How far a card has risen towards its hovered look, 0 to 1, as its animation has it.
    double lift = 0;
    BoardPicture picture;
    std::optional<QIcon> appIcon;
};

// The size a picture is scaled to so that it fits `frame` whole.
QSize fittedPictureSize(QSize image, QSizeF frame);

// A picture scaled to fit a card's header (`card`) or a row's thumbnail, with the frame's
// rounded corners cut out of it, so that painting it needs no clipping.
QImage roundedPicture(const QImage& fitted, QSizeF frame, bool card);

// The card's picture frame and the row's thumbnail frame, relative to their item's rectangle.
QRectF cardPictureFrame(const QRectF& card);
QRectF rowThumbnailFrame(const QRectF& row);

void paintCard(QPainter& painter, const QRectF& rect, const CaptureCardContent& content,
               const BoardPaintInputs& inputs);
void paintRow(QPainter& painter, const QRectF& rect, const CaptureRowContent& content,
              const BoardPaintInputs& inputs);

// The lines of a text broken at its own line breaks and at `width`, at most `maxLines`; the
// last ends in an ellipsis when text is left over.
std::vector<QString> wrappedTextLines(const QString& text, const QFont& font, double width,
                                      int maxLines);
// Paints those lines; returns the height used.
double paintWrappedText(QPainter& painter, const QPointF& topLeft, double width,
                        const QString& text, const QFont& font, const QColor& color, int maxLines);

} // namespace tavro
