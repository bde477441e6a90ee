#pragma once

#include "ui/Theme.h"

#include <QWidget>

class QLabel;

namespace tavro {

// The text of a keyboard shortcut in a small sunken key cap.
class KeyHint final : public QWidget {
    Q_OBJECT

public:
    explicit KeyHint(const QString& keys, QWidget* parent = nullptr);
    void setKeys(const QString& keys);
    QString keys() const { return keys_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString keys_;
};

// A section caption: upper case, small, tracked, tertiary colour; nothing around it.
class SectionLabel final : public QWidget {
    Q_OBJECT

public:
    explicit SectionLabel(const QString& text, QWidget* parent = nullptr);
    QString shownText() const { return text_; }
    void setText(const QString& text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

// A label that shows its text as it is, never as rich text: names and notes come from agents,
// workspace members and other programs, and "<img src=…>" must read as typed.
QLabel* plainLabel(const QString& text = {}, QWidget* parent = nullptr);

// A plain label in one of the theme's fonts and colours.
QLabel* themedLabel(const QString& text, const QFont& font, DynamicColor color, QWidget* parent);

// One line of text that gives up its middle (or its end) when it does not fit.
class ElidedLabel final : public QWidget {
    Q_OBJECT

public:
    ElidedLabel(const QString& text, DynamicColor color, QWidget* parent = nullptr,
                Qt::TextElideMode mode = Qt::ElideMiddle);
    const QString& text() const { return text_; }
    void setText(const QString& text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    DynamicColor color_;
    Qt::TextElideMode mode_;
};

} // namespace tavro
