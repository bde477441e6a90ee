#pragma once

#include "shell/Theme.h"

#include <QLabel>

#include <array>
#include <utility>

namespace tavro {

// A word-wrapped plain-text label in one of the theme's fonts and colours that remembers its
// height for the last few widths. A layout pass asks every wrapped label of a long list for
// its height, and a label lays its text out again on each question: with a thousand rows, one
// new row would cost the whole list's text layout.
class WrappingLabel final : public QLabel {
    Q_OBJECT

public:
    WrappingLabel(const QString& text, const QFont& font, DynamicColor color, QWidget* parent);

    // Hides QLabel::setText, which a cached height must not outlive.
    void setText(const QString& text);
    int heightForWidth(int width) const override;

protected:
    void changeEvent(QEvent* event) override;

private:
    void forget();

    // Width and height; a width of -1 is an empty slot.
    mutable std::array<std::pair<int, int>, 4> heights_;
    mutable std::size_t next_ = 0;
};

} // namespace tavro
