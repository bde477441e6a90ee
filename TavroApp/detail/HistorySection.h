#pragma once

#include <QStringList>
#include <QWidget>

#include <string>

class QVBoxLayout;

namespace tavro {

class Library;

// The capture's history, newest first, one line per event; absent, caption and all, while the
// capture has none. Read from the store whenever the board is read again.
class HistorySection final : public QWidget {
    Q_OBJECT

public:
    HistorySection(Library& library, const std::string& captureID, QWidget* parent = nullptr);

    // The event lines as shown, top to bottom.
    QStringList lines() const;

private:
    void refresh();

    Library& library_;
    std::string captureID_;
    QVBoxLayout* rowsLayout_ = nullptr;
    bool hiddenForNoEvents_ = false;
};

} // namespace tavro
