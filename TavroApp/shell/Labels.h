#pragma once

#include <QWidget>

namespace tavro {

// The text of a keyboard shortcut in a small sunken key cap.
class KeyHint final : public QWidget {
    Q_OBJECT

public:
    explicit KeyHint(const QString& keys, QWidget* parent = nullptr);
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
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

} // namespace tavro
