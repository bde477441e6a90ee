#pragma once

#include "compose/ComposeWindowController.h"

#include <QPointer>
#include <QWidget>

class QPlainTextEdit;

namespace tavro {

// The floating note box: a frameless panel with a note field. Ctrl+Return saves, Escape
// discards; the draft's other fields ride along unchanged.
class NoteBoxPanel final : public QWidget {
    Q_OBJECT

public:
    NoteBoxPanel(const PendingCapture& pending, ComposeCallbacks callbacks);
    NoteBoxPanel(const NoteBoxPanel&) = delete;
    NoteBoxPanel& operator=(const NoteBoxPanel&) = delete;

    QPlainTextEdit* noteField() const { return note_; }
    void save();
    void discard();

signals:
    // The panel has hidden itself and will be deleted; its callback runs right after.
    void closing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void leave();

    PendingCapture pending_;
    ComposeCallbacks callbacks_;
    QPlainTextEdit* note_ = nullptr;
};

class NoteBoxController final : public QObject, public ComposeWindowController {
    Q_OBJECT

public:
    using QObject::QObject;
    ~NoteBoxController() override;

    void present(const PendingCapture& pending, const std::vector<CaptureGroup>& groups,
                 ComposeCallbacks callbacks) override;
    void dismiss() override;
    bool hasPanel() const override { return !panel_.isNull(); }
    NoteBoxPanel* panel() const { return panel_; }

private:
    QPointer<NoteBoxPanel> panel_;
};

} // namespace tavro
