#pragma once

#include <QWidget>

class QLineEdit;

namespace tavro {

// A single-line text field in a rounded border that turns accent while the field has the focus.
class RoundedTextField final : public QWidget {
    Q_OBJECT

public:
    RoundedTextField(const QString& placeholder, const QFont& font, QWidget* parent = nullptr);
    QLineEdit* lineEdit() const { return edit_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_ = nullptr;
};

} // namespace tavro
