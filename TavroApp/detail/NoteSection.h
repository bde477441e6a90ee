#pragma once

#include "detail/NoteAutosave.h"
#include "values/RestartableTimer.h"

#include <QWidget>

#include <memory>
#include <string>

class QLabel;
class QPlainTextEdit;

namespace tavro {

class Library;

// The note of the capture detail pane: its editor saves itself 600 ms after the last change and
// when the pane closes, and shows a note changed elsewhere while nothing typed here is unsaved.
class NoteSection final : public QWidget {
    Q_OBJECT

public:
    NoteSection(Library& library, const std::string& captureID, QWidget* parent = nullptr);
    // With the countdown of the autosave given, so that tests can run it out.
    NoteSection(Library& library, const std::string& captureID,
                std::unique_ptr<RestartableTimer> timer, QWidget* parent = nullptr);
    ~NoteSection() override;

    // Writes an unsaved edit now; the pane calls it when it closes or goes back to the board.
    void flush();
    QPlainTextEdit* editor() const { return editor_; }
    QLabel* failure() const { return failure_; }

protected:
    void hideEvent(QHideEvent* event) override;

private:
    void showPublishedNote();
    void fitEditorToText();

    std::unique_ptr<RestartableTimer> timer_;
    NoteAutosave autosave_;
    QPlainTextEdit* editor_ = nullptr;
    void showOutcome(const std::string& failure);

    // Why the last write failed, under the note, until a write succeeds.
    QLabel* failure_ = nullptr;
    // Set while the editor is given a note that the user did not type.
    bool loading_ = false;
};

} // namespace tavro
