#pragma once

#include "ui/Theme.h"

#include <QWidget>

#include <array>
#include <memory>
#include <utility>

class QTextLayout;

namespace tavro {

// A wrapped plain-text label in one of the theme's fonts and colours. It wraps at word
// boundaries, and inside a word only when the word is wider than the line (a hash, a URL, a
// path), so that no text ever widens its column. It remembers its height for the last few
// widths: a layout pass asks every label of a long list for its height, and with a thousand rows
// one new row must not cost the whole list's text layout. When selectable, its text is selected
// with the mouse (a double click takes a word) and copied with the keyboard or its menu, as the
// text it holds.
class WrappingLabel final : public QWidget {
    Q_OBJECT

public:
    WrappingLabel(const QString& text, const QFont& font, DynamicColor color, QWidget* parent);
    ~WrappingLabel() override;
    WrappingLabel(const WrappingLabel&) = delete;
    WrappingLabel& operator=(const WrappingLabel&) = delete;

    const QString& text() const { return text_; }
    void setText(const QString& text);
    void setSelectable(bool selectable);
    bool isSelectable() const { return selectable_; }
    QString selectedText() const;
    void selectAll();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // The text laid out at `width`, kept until the width or the text changes.
    const QTextLayout& laidOut(int width) const;
    int positionAt(const QPointF& point) const;
    void select(int anchor, int cursor);
    void copy() const;
    void forget();

    QString text_;
    bool selectable_ = false;
    int anchor_ = 0;
    int cursor_ = 0;
    // Width and height; a width of -1 is an empty slot.
    mutable std::array<std::pair<int, int>, 4> heights_;
    mutable std::size_t next_ = 0;
    mutable std::unique_ptr<QTextLayout> layout_;
    mutable int layoutWidth_ = -1;
};

} // namespace tavro
