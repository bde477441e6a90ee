#pragma once

#include <QWidget>

namespace tavro {

// The product's mark: a rounded accent tile with a white viewfinder, `size` points square.
class TavroMark final : public QWidget {
    Q_OBJECT

public:
    explicit TavroMark(int size, QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(size_, size_); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int size_;
};

} // namespace tavro
