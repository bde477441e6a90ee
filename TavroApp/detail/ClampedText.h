#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace tavro {

// `text` broken into the lines it takes at `width` (at word boundaries where it can, anywhere
// where a word alone is too wide), at most `maxLines` of them. Text that needs more gives up its
// end (Qt::ElideRight) or its middle (Qt::ElideMiddle) for an ellipsis, whole characters only.
QStringList clampedLines(const QString& text, const QFont& font, double width, int maxLines,
                         Qt::TextElideMode mode);

} // namespace tavro
