#pragma once

#include "detail/WriteReport.h"

#include <QWidget>

#include <string>

class QLineEdit;

namespace tavro {

class Library;

// The capture's tags as one comma-separated line, stored when the user presses Return. The line
// keeps what the user typed; the store keeps the tidied names.
class TagSection final : public QWidget {
    Q_OBJECT

public:
    TagSection(Library& library, const std::string& captureID, QWidget* parent = nullptr);
    QLineEdit* field() const { return field_; }
    void setWriteReport(WriteReport report) { report_ = std::move(report); }

private:
    void commit();

    Library& library_;
    std::string captureID_;
    QLineEdit* field_ = nullptr;
    WriteReport report_;
};

} // namespace tavro
