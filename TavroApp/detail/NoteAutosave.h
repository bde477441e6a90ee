#pragma once

#include "detail/WriteReport.h"
#include "model/Capture.h"
#include "values/RestartableTimer.h"

#include <QObject>

#include <functional>
#include <optional>
#include <string>

namespace tavro {

class Library;

// The detail pane's note editor without the editor: every edit restarts the countdown, and the
// note is written when it runs out or the pane closes. What the user changed is measured against
// the note the pane loaded (or last wrote), never against what the board publishes now: an
// agent's or sync's edit while the pane is open must not be overwritten by text the user never
// touched, and is shown while the user has nothing unsaved.
class NoteAutosave {
public:
    static constexpr int delayMs = 600;

    // Loads the capture's published note.
    NoteAutosave(Library& library, std::string captureID, RestartableTimer& timer);
    ~NoteAutosave();
    NoteAutosave(const NoteAutosave&) = delete;
    NoteAutosave& operator=(const NoteAutosave&) = delete;

    const std::string& note() const { return note_; }
    bool hasUnsavedEdits() const { return note_ != baseline_; }

    // The user's text after a change in the editor.
    void edit(std::string text);
    // After the board was published again: takes up a newer note of the capture when the user
    // has nothing unsaved. True when note() changed, so that the editor shows it.
    bool takeUpPublishedNote();
    // Writes the note when it differs from the baseline; nothing to write is a success. The
    // text becomes the baseline once its write has committed; a failed write keeps the text, and
    // the next edit or close tries again.
    [[nodiscard]] PendingWrite<> flush();
    // Where the writes the countdown starts tell how they came out.
    void setWriteReport(WriteReport report) { report_ = std::move(report); }

private:
    std::optional<Capture> published() const;

    Library& library_;
    std::string captureID_;
    RestartableTimer& timer_;
    std::string baseline_;
    std::string note_;
    // The update stamp last looked at: a reload that was under way when the pane wrote may
    // still publish the capture as it was, which must not replace the text just written.
    Seconds seenUpdate_ = 0;
    WriteReport report_;
    // Answers reach this object only while it lives.
    QObject answers_;
};

} // namespace tavro
