#pragma once

#include "ui/Icons.h"
#include "ui/Theme.h"

#include <QAbstractButton>

#include <optional>

namespace tavro {

// The app's three button looks. Each paints its label and reacts to being pressed, never to hover
// or focus; the whole padded shape takes clicks.

// Filled with a tint (the accent almost everywhere), white headline label.
class PrimaryButton final : public QAbstractButton {
    Q_OBJECT

public:
    explicit PrimaryButton(const QString& text, DynamicColor tint = Theme::accent,
                           QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DynamicColor tint_;
};

// Sunken fill with a hairline border, secondary-coloured label.
class SecondaryButton final : public QAbstractButton {
    Q_OBJECT

public:
    explicit SecondaryButton(const QString& text, QWidget* parent = nullptr);
    // A symbol drawn before the text.
    void setSymbol(Icon symbol);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<Icon> symbol_;
};

// A square symbol button, clear until pressed.
class IconButton final : public QAbstractButton {
    Q_OBJECT

public:
    explicit IconButton(Icon icon, int size = 26, QWidget* parent = nullptr);
    void setSymbol(Icon icon);
    Icon symbol() const { return icon_; }
    QSize sizeHint() const override { return QSize(size_, size_); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Icon icon_;
    int size_;
};

} // namespace tavro
