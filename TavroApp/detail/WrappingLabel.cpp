#include "detail/WrappingLabel.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace tavro {

namespace {

// Read as its text, as a label is.
class WrappingLabelAccessible final : public QAccessibleWidget {
public:
    explicit WrappingLabelAccessible(WrappingLabel* label)
        : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text kind) const override {
        const QString own = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && own.isEmpty())
            return static_cast<const WrappingLabel*>(widget())->text();
        return own;
    }
};

QAccessibleInterface* labelAccessible(const QString&, QObject* object) {
    if (auto* label = qobject_cast<WrappingLabel*>(object))
        return new WrappingLabelAccessible(label);
    return nullptr;
}

// The text as the layout breaks it: a line break ends a line (a CR before it shows as nothing),
// at the same positions as in the text itself.
QString shownText(QString text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n')
            text[i] = QChar::LineSeparator;
        else if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            text[i] = QChar(0x200B);
    }
    return text;
}

} // namespace

WrappingLabel::WrappingLabel(const QString& text, const QFont& font, DynamicColor color,
                             QWidget* parent)
    : QWidget(parent)
    , text_(text) {
    static const bool installed = [] {
        QAccessible::installFactory(labelAccessible);
        return true;
    }();
    (void)installed;
    forget();
    setFont(font);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, color.resolved(colours));
    setPalette(colours);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

WrappingLabel::~WrappingLabel() = default;

void WrappingLabel::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    anchor_ = cursor_ = 0;
    forget();
    updateGeometry();
    update();
}

void WrappingLabel::setSelectable(bool selectable) {
    selectable_ = selectable;
    // As a selectable label: reached with Tab and a click, for copying with the keyboard.
    setFocusPolicy(selectable ? Qt::StrongFocus : Qt::NoFocus);
    setCursor(selectable ? Qt::IBeamCursor : Qt::ArrowCursor);
    if (!selectable)
        select(0, 0);
}

QString WrappingLabel::selectedText() const {
    const int from = std::min(anchor_, cursor_);
    return text_.mid(from, std::abs(cursor_ - anchor_));
}

void WrappingLabel::selectAll() {
    select(0, int(text_.size()));
}

const QTextLayout& WrappingLabel::laidOut(int width) const {
    if (layout_ && layoutWidth_ == width)
        return *layout_;
    layout_ = std::make_unique<QTextLayout>(shownText(text_), font());
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout_->setTextOption(option);
    layout_->setCacheEnabled(true);
    layout_->beginLayout();
    double y = 0;
    for (QTextLine line = layout_->createLine(); line.isValid(); line = layout_->createLine()) {
        line.setLeadingIncluded(true);
        line.setLineWidth(std::max(1, width));
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout_->endLayout();
    layoutWidth_ = width;
    return *layout_;
}

int WrappingLabel::heightForWidth(int width) const {
    for (const auto& [known, height] : heights_)
        if (known == width)
            return height;
    const QTextLayout& layout = laidOut(width);
    const int lines = layout.lineCount();
    const int height =
        lines == 0
            ? fontMetrics().height()
            : int(std::ceil(layout.lineAt(lines - 1).y() + layout.lineAt(lines - 1).height()));
    heights_[next_] = {width, height};
    next_ = (next_ + 1) % heights_.size();
    return height;
}

QSize WrappingLabel::sizeHint() const {
    // As wide as the text wants, up to some eighty characters, as a wrapped label asks.
    const QFontMetrics metrics = fontMetrics();
    int natural = 0;
    for (const QString& line : text_.split(u'\n'))
        natural = std::max(natural, metrics.horizontalAdvance(line));
    const int width = std::max(1, std::min(natural + 1, 80 * metrics.averageCharWidth()));
    return QSize(width, heightForWidth(width));
}

QSize WrappingLabel::minimumSizeHint() const {
    // Any width will do: a word too long for the line breaks inside.
    return QSize(fontMetrics().averageCharWidth(), fontMetrics().height());
}

void WrappingLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    QList<QTextLayout::FormatRange> selections;
    if (anchor_ != cursor_) {
        QTextLayout::FormatRange selection;
        selection.start = std::min(anchor_, cursor_);
        selection.length = std::abs(cursor_ - anchor_);
        selection.format.setBackground(palette().brush(QPalette::Highlight));
        selection.format.setForeground(palette().brush(QPalette::HighlightedText));
        selections.append(selection);
    }
    laidOut(width()).draw(&painter, QPointF(0, 0), selections);
}

void WrappingLabel::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::LanguageChange:
        forget();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

int WrappingLabel::positionAt(const QPointF& point) const {
    const QTextLayout& layout = laidOut(width());
    if (layout.lineCount() == 0)
        return 0;
    QTextLine line = layout.lineAt(0);
    for (int i = 0; i < layout.lineCount(); ++i) {
        line = layout.lineAt(i);
        if (point.y() < line.y() + line.height())
            break;
    }
    return line.xToCursor(point.x());
}

void WrappingLabel::select(int anchor, int cursor) {
    if (anchor == anchor_ && cursor == cursor_)
        return;
    anchor_ = anchor;
    cursor_ = cursor;
    update();
}

void WrappingLabel::copy() const {
    if (anchor_ != cursor_)
        QGuiApplication::clipboard()->setText(selectedText());
}

void WrappingLabel::mousePressEvent(QMouseEvent* event) {
    if (!selectable_ || event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int at = positionAt(event->position());
    select((event->modifiers() & Qt::ShiftModifier) ? anchor_ : at, at);
}

void WrappingLabel::mouseMoveEvent(QMouseEvent* event) {
    if (!selectable_ || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    select(anchor_, positionAt(event->position()));
}

void WrappingLabel::mouseReleaseEvent(QMouseEvent* event) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (selectable_ && anchor_ != cursor_ && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
    QWidget::mouseReleaseEvent(event);
}

void WrappingLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!selectable_ || event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const int at = positionAt(event->position());
    QTextBoundaryFinder words(QTextBoundaryFinder::Word, text_);
    words.setPosition(at);
    const qsizetype before = words.isAtBoundary() ? at : words.toPreviousBoundary();
    words.setPosition(at);
    const qsizetype after = words.toNextBoundary();
    const int start = before < 0 ? 0 : int(before);
    const int end = after < 0 ? int(text_.size()) : int(after);
    select(start, end);
}

void WrappingLabel::keyPressEvent(QKeyEvent* event) {
    if (selectable_ && event == QKeySequence::Copy) {
        copy();
        return;
    }
    if (selectable_ && event == QKeySequence::SelectAll) {
        selectAll();
        return;
    }
    if (selectable_ &&
        (event == QKeySequence::SelectNextChar || event == QKeySequence::SelectPreviousChar)) {
        const QTextLayout& layout = laidOut(width());
        select(anchor_, event == QKeySequence::SelectNextChar
                            ? layout.nextCursorPosition(cursor_)
                            : layout.previousCursorPosition(cursor_));
        return;
    }
    QWidget::keyPressEvent(event);
}

void WrappingLabel::contextMenuEvent(QContextMenuEvent* event) {
    if (!selectable_) {
        QWidget::contextMenuEvent(event);
        return;
    }
    QMenu menu(this);
    QAction* copying = menu.addAction(QStringLiteral("&Copy"), this, [this] { copy(); });
    copying->setShortcut(QKeySequence::Copy);
    copying->setEnabled(anchor_ != cursor_);
    menu.addSeparator();
    QAction* all = menu.addAction(QStringLiteral("Select All"), this, [this] { selectAll(); });
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(!text_.isEmpty());
    menu.exec(event->globalPos());
}

void WrappingLabel::forget() {
    heights_.fill({-1, 0});
    next_ = 0;
    layout_.reset();
    layoutWidth_ = -1;
}

} // namespace tavro
