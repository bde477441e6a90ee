#pragma once

#include "detail/DetailPaneState.h"
#include "detail/WriteReport.h"
#include "model/Capture.h"

#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QScrollArea;
class QStackedLayout;
class QVBoxLayout;

namespace tavro {

class DetailHeaderBar;
class Filmstrip;
class CommentSection;
class DetailFeed;
class HistorySection;
class AppActions;
class Library;
class NoteSection;
class ScreenshotArea;
class WorkflowSection;

// The board window's pane for one capture, in place of the board while it is open: the header
// bar, the screenshots large over their filmstrip, and the side column of sections. Reads the
// capture from what the facade publishes, and its screenshots off the GUI thread when it opens
// and again when the capture changed; changes to other captures leave it as it is. A capture
// that disappears turns the pane into the deleted notice.
// The pane's owner calls flushNote() before it takes the pane away; the destructor does too.
class CaptureDetailView final : public QWidget {
    Q_OBJECT

public:
    CaptureDetailView(Library& library, AppActions& actions, std::string captureID,
                      std::function<void()> onClose, QWidget* parent = nullptr);
    ~CaptureDetailView() override;
    CaptureDetailView(const CaptureDetailView&) = delete;
    CaptureDetailView& operator=(const CaptureDetailView&) = delete;

    const std::string& captureID() const { return captureID_; }
    // Ends the note's autosave at once: what the user typed and is not stored yet is written.
    void flushNote();
    // How "Show in Folder" shows the cover screenshot's file; without one, its folder opens.
    void setReveal(std::function<void(const std::filesystem::path& file)> reveal) {
        reveal_ = std::move(reveal);
    }

    const DetailPaneState& state() const { return state_; }
    bool showsDeletedNotice() const;
    // The text of the last write of the pane that failed; empty once one succeeds.
    QString writeFailure() const;

    DetailHeaderBar* header() const { return header_; }
    ScreenshotArea* screenshots() const { return screenshots_; }
    Filmstrip* filmstrip() const { return filmstrip_; }
    WorkflowSection* workflow() const { return workflow_; }
    NoteSection* note() const { return note_; }
    CommentSection* comments() const { return comments_; }
    HistorySection* history() const { return history_; }
    // What reads the screenshots.
    DetailFeed& imagesFeed() const { return *imagesFeed_; }
    QScrollArea* sideColumn() const { return side_; }

private:
    QWidget* makeContent();
    QWidget* makeDeletedNotice();
    QWidget* makeImageColumn();
    QScrollArea* makeSideColumn();
    void stackSections(QVBoxLayout* column);

    std::optional<Capture> capture() const;
    void refresh();
    void showImages(std::vector<CaptureImage> images);
    void showImage();
    void close();

    void requestMarkup();
    void requestScreenshot();
    void revealCover();
    void copyCover();
    void deleteCapture();
    void deleteImage(const CaptureImage& image);

    // Shows a failed write under the header when its answer comes, and clears the notice after
    // one that succeeded; then runs `onSuccess` if it did.
    template <class T> void report(PendingWrite<T> pending, std::function<void()> onSuccess = {});
    void showWriteOutcome(const std::string& failure);

    Library& library_;
    AppActions& actions_;
    std::string captureID_;
    std::function<void()> onClose_;
    std::function<void(const std::filesystem::path&)> reveal_;
    DetailPaneState state_;
    // The note section's flush.
    std::function<void()> flushNote_;
    // The row the picture was last shown for.
    std::optional<Capture> pictured_;
    bool imagesRead_ = false;

    QStackedLayout* pages_ = nullptr;
    QWidget* content_ = nullptr;
    QWidget* deleted_ = nullptr;
    DetailHeaderBar* header_ = nullptr;
    QLabel* failure_ = nullptr;
    ScreenshotArea* screenshots_ = nullptr;
    Filmstrip* filmstrip_ = nullptr;
    QScrollArea* side_ = nullptr;
    WorkflowSection* workflow_ = nullptr;
    NoteSection* note_ = nullptr;
    CommentSection* comments_ = nullptr;
    HistorySection* history_ = nullptr;
    DetailFeed* imagesFeed_ = nullptr;
};

} // namespace tavro
