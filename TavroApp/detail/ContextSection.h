#pragma once

#include "detail/CaptureContext.h"

#include <QWidget>

#include <string>
#include <vector>

class QVBoxLayout;

namespace tavro {

class Library;
class SectionLabel;

// Where the capture was taken, read-only, as the board publishes it now.
class ContextSection final : public QWidget {
    Q_OBJECT

public:
    ContextSection(Library& library, const std::string& captureID, QWidget* parent = nullptr);

    QString title() const;
    const std::vector<CaptureContextRow>& rows() const { return rows_; }

private:
    void refresh();

    Library& library_;
    std::string captureID_;
    SectionLabel* title_ = nullptr;
    QVBoxLayout* rowsLayout_ = nullptr;
    std::vector<CaptureContextRow> rows_;
};

} // namespace tavro
