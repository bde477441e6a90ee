#include "detail/ClampedLabel.h"

#include "detail/ClampedText.h"

#include <QDesktopServices>
#include <QFontMetrics>

#include <cmath>

namespace tavro {

namespace {

QString withoutTrailingSpace(QString line) {
    while (!line.isEmpty() && line.back().isSpace())
        line.chop(1);
    return line;
}

} // namespace

ClampedLabel::ClampedLabel(int maxLines, Qt::TextElideMode mode, QWidget* parent)
    : QLabel(parent)
    , maxLines_(maxLines)
    , mode_(mode) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    connect(this, &QLabel::linkActivated, this, [this] {
        // The shown text may be shortened; the address is the one the row was given.
        if (link_)
            QDesktopServices::openUrl(*link_);
    });
}

void ClampedLabel::setFullText(const QString& text, const std::optional<QUrl>& link) {
    fullText_ = text;
    link_ = link;
    setAccessibleName(text);
    if (link_) {
        setTextFormat(Qt::RichText);
        setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        setCursor(Qt::PointingHandCursor);
        setToolTip(link_->toString());
    } else {
        setTextFormat(Qt::PlainText);
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        unsetCursor();
        setToolTip({});
    }
    relayout();
    updateGeometry();
}

QStringList ClampedLabel::linesAt(int width) const {
    return clampedLines(fullText_, font(), std::max(width, 1), maxLines_, mode_);
}

int ClampedLabel::heightForWidth(int width) const {
    const auto lines = std::max<qsizetype>(1, linesAt(width).size());
    return static_cast<int>(lines) * fontMetrics().lineSpacing();
}

QSize ClampedLabel::sizeHint() const {
    const int natural = fontMetrics().horizontalAdvance(fullText_) + 1;
    return QSize(natural, heightForWidth(natural));
}

QSize ClampedLabel::minimumSizeHint() const {
    return QSize(fontMetrics().horizontalAdvance(QChar(0x2026)) * 2, fontMetrics().lineSpacing());
}

void ClampedLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    relayout();
}

void ClampedLabel::relayout() {
    const QStringList lines = linesAt(contentsRect().width());
    if (lines == lines_ && !text().isEmpty())
        return;
    lines_ = lines;
    QStringList shown;
    for (const QString& line : lines_)
        shown << withoutTrailingSpace(line);
    if (!link_) {
        setText(shown.join(u'\n'));
        return;
    }
    QStringList escaped;
    for (const QString& line : shown)
        escaped << line.toHtmlEscaped();
    setText(QStringLiteral("<a href=\"#open\">") + escaped.join(QStringLiteral("<br>")) +
            QStringLiteral("</a>"));
}

} // namespace tavro
