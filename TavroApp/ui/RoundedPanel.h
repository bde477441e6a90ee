#pragma once

#include "ui/Theme.h"

#include <QWidget>

#include <optional>

namespace tavro {

// A rounded fill, outlined by a hairline inside its edge unless `outline` is absent, behind
// whatever its layout holds. Both colours follow the appearance.
class RoundedPanel final : public QWidget {
    Q_OBJECT

public:
    RoundedPanel(DynamicColor fill, double radius, QWidget* parent = nullptr);
    RoundedPanel(DynamicColor fill, double radius, std::optional<DynamicColor> outline,
                 QWidget* parent = nullptr);

    // A tint rather than a solid fill, 0...1.
    void setFillOpacity(double opacity);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    DynamicColor fill_;
    double radius_;
    std::optional<DynamicColor> outline_;
    double fillOpacity_ = 1;
};

} // namespace tavro
