#pragma once

#include <QTimer>
#include <QWidget>

namespace tavro {

// A small spinning arc that says work goes on with no end known; it turns only while shown.
class ActivityIndicator final : public QWidget {
    Q_OBJECT

public:
    explicit ActivityIndicator(int size = 14, QWidget* parent = nullptr);
    QSize sizeHint() const override { return QSize(size_, size_); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer timer_;
    int size_;
    int angle_ = 0;
};

} // namespace tavro
