#pragma once

#include "ui/Icons.h"

#include <QAbstractButton>
#include <QWidget>

namespace tavro {

// The rounded sunken frame behind the board's search field, with its hairline border.
class BoardSearchFrame final : public QWidget {
    Q_OBJECT

public:
    explicit BoardSearchFrame(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// The sunken track behind the layout switch's segments.
class SegmentFrame final : public QWidget {
    Q_OBJECT

public:
    explicit SegmentFrame(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

// One segment of the layout switch: a symbol, on a raised face while chosen.
class SegmentButton final : public QAbstractButton {
    Q_OBJECT

public:
    SegmentButton(Icon icon, QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(36, 22); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Icon icon_;
};

} // namespace tavro
