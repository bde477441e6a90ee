#include "ui/ShownText.h"

#include <QList>
#include <QTextBoundaryFinder>

namespace tavro {

namespace {

constexpr char16_t firstStrongIsolate = 0x2068;
constexpr char16_t popDirectionalIsolate = 0x2069;

bool breaksOrControls(char32_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029;
}

// Embeddings, overrides and isolates: they would turn "\u202egnp.exe" into "exe.png".
bool directionControl(char32_t c) {
    return (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069);
}

// Text that right-to-left script or Arabic numbers could reorder with what surrounds it.
bool needsIsolating(const QString& text) {
    for (const QChar c : text) {
        const auto direction = c.direction();
        if (direction == QChar::DirR || direction == QChar::DirAL || direction == QChar::DirAN)
            return true;
    }
    return false;
}

} // namespace

QString shownName(const QString& stored, int maxLength) {
    QString line;
    line.reserve(std::min<qsizetype>(stored.size(), qsizetype(maxLength) * 2 + 2));
    bool cut = false;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, stored);
    qsizetype start = 0;
    int count = 0;
    while (start < stored.size()) {
        const qsizetype end = graphemes.toNextBoundary();
        const qsizetype stop = end < 0 ? stored.size() : end;
        if (count == maxLength) {
            cut = true;
            break;
        }
        const QStringView grapheme = QStringView(stored).mid(start, stop - start);
        const char32_t first = grapheme.toUcs4().value(0);
        if (breaksOrControls(first))
            line += u' ';
        else if (!directionControl(first))
            line += grapheme;
        else
            --count;
        ++count;
        start = stop;
    }
    if (cut) {
        while (line.endsWith(u' '))
            line.chop(1);
        line += QChar(0x2026);
    }
    if (!needsIsolating(line))
        return line;
    return QChar(firstStrongIsolate) + line + QChar(popDirectionalIsolate);
}

} // namespace tavro
