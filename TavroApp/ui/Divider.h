#pragma once

#include <QWidget>

namespace tavro {

// A one-point line across its width in the theme's border colour.
class Divider final : public QWidget {
    Q_OBJECT

public:
    explicit Divider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tavro
