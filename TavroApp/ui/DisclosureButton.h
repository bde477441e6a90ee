#pragma once

#include <QAbstractButton>

namespace tavro {

// The label of a section that opens and closes: a chevron that points right while closed and
// down while open, then the text. Checked means open.
class DisclosureButton final : public QAbstractButton {
    Q_OBJECT

public:
    explicit DisclosureButton(const QString& text, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tavro
