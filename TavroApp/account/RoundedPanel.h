#pragma once

#include "shell/Theme.h"

#include <QWidget>

namespace tavro {

// A rounded fill with a hairline border inside its edge, behind whatever its layout holds.
class RoundedPanel final : public QWidget {
    Q_OBJECT

public:
    RoundedPanel(DynamicColor fill, double radius, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DynamicColor fill_;
    double radius_;
};

} // namespace tavro
