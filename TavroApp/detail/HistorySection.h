#pragma once

#include "model/BoardRecords.h"

#include <QStringList>
#include <QWidget>

#include <string>
#include <vector>

class QVBoxLayout;

namespace tavro {

class DetailFeed;
class EventRow;
class Library;

// The capture's history, newest first, one line per event; absent, caption and all, while the
// capture has none. Read off the GUI thread when the pane opens and again when the capture
// changed; each event keeps its row across reads.
class HistorySection final : public QWidget {
    Q_OBJECT

public:
    HistorySection(Library& library, const std::string& captureID, QWidget* parent = nullptr);

    // The event lines as shown, top to bottom.
    QStringList lines() const;
    // The rows, top to bottom.
    std::vector<QWidget*> rows() const;
    DetailFeed& feed() const { return *feed_; }

private:
    void present(const std::vector<ActivityEvent>& events);
    // The lines name people, whose names come with the published board.
    void renameAll();
    void refreshAges();
    std::vector<EventRow*> eventRows() const;

    Library& library_;
    DetailFeed* feed_ = nullptr;
    QWidget* rowsHolder_ = nullptr;
    QVBoxLayout* rowsLayout_ = nullptr;
    bool hiddenForNoEvents_ = false;
};

} // namespace tavro
