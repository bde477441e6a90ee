#include "detail/ClampedText.h"

#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <vector>

namespace tavro {

namespace {

QStringList wrapped(const QString& text, const QFont& font, double width) {
    QTextLayout layout(text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    return lines;
}

// Where a cut may fall: between user-perceived characters.
std::vector<qsizetype> characterBoundaries(const QString& text) {
    std::vector<qsizetype> cuts;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = 0; at >= 0; at = finder.toNextBoundary())
        cuts.push_back(at);
    return cuts;
}

} // namespace

QStringList clampedLines(const QString& text, const QFont& font, double width, int maxLines,
                         Qt::TextElideMode mode) {
    // A stored value may hold line breaks; the rows show one flowing text.
    QString flat = text;
    flat.replace(u'\n', u' ').replace(u'\r', u' ');
    if (flat.isEmpty())
        return {};
    const QStringList all = wrapped(flat, font, width);
    if (all.size() <= maxLines || maxLines <= 0 || width <= 0)
        return all.mid(0, std::max(maxLines, 0));

    const QString ellipsis(QChar(0x2026));
    const std::vector<qsizetype> cuts = characterBoundaries(flat);
    const size_t count = cuts.size() - 1; // characters in the text
    // Keeps `kept` characters: the first ones, or as many from each end.
    const auto shortened = [&](size_t kept) {
        if (mode == Qt::ElideMiddle) {
            const size_t head = (kept + 1) / 2;
            const size_t tail = kept - head;
            return flat.left(cuts[head]) + ellipsis + flat.mid(cuts[count - tail]);
        }
        return flat.left(cuts[kept]) + ellipsis;
    };
    size_t low = 0;
    size_t high = count;
    while (low < high) {
        const size_t middle = (low + high + 1) / 2;
        if (wrapped(shortened(middle), font, width).size() <= maxLines)
            low = middle;
        else
            high = middle - 1;
    }
    return wrapped(shortened(low), font, width).mid(0, maxLines);
}

} // namespace tavro
