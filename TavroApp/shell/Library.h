#pragma once

#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"
#include "model/CaptureImage.h"
#include "shell/DetailReader.h"
#include "shell/LibraryReader.h"
#include "shell/LibraryState.h"
#include "shell/LibraryWriter.h"
#include "values/PendingWrite.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tavro {

class CaptureStore;
class StoreChangeListener;
class ThumbnailLoader;
struct Annotation;

// The app's one observable view of the board, and its one door to the store: nothing else in
// the app holds a CaptureStore. Views read the published state and call the operations; each
// write runs in order on the writer's thread through a connection of its own, and answers its
// caller on the GUI thread with a WriteResult through the PendingWrite it returned; one that
// commits is announced. Its own writes, the store-changed notification of another program
// and the 3 s poll only mark the board dirty: one short single-shot timer, restarted while
// requests keep coming (up to a longest wait), then reads the board on a worker through a
// connection of its own and swaps the published state whole on the GUI thread, with a change
// signal for each value that differs. A notification or poll reads only when the store's change
// counter moved, and then only what its change log says moved. So a write is not yet in the
// published state when it answers; watch changed() or reloaded(). Errors never escape: a
// write's failure is its caller's to show, loadError() tells of loading.
class Library final : public QObject {
    Q_OBJECT

public:
    using Property = LibraryProperty;

    static constexpr int pollIntervalMs = 3000;
    // Quiet time after the last request before the board is read, and the longest a request
    // waits while more keep coming.
    static constexpr int reloadDelayMs = 30;
    static constexpr int reloadLongestDelayMs = 200;

    // Loads the board before it returns and starts watching the store.
    Library(std::shared_ptr<CaptureStore> store, ThumbnailLoader& thumbnails,
            std::unique_ptr<StoreChangeListener> listener, QObject* parent = nullptr);
    ~Library() override;
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // The published state as one value, for a view that keeps it across a reload.
    const std::shared_ptr<const LibraryState>& state() const { return state_; }
    // What the last published reload read again: the ids of the captures that may differ from
    // those of the state it replaced (added, changed or removed), none when it read the whole
    // board. `replaced` is only to compare a view's state with: it may be gone.
    struct CaptureMoves {
        const LibraryState* replaced = nullptr;
        std::optional<std::vector<std::string>> ids;
    };
    const CaptureMoves& lastMoves() const { return moves_; }
    // References into state(): good until the next reload is published.
    // Every live capture, newest first.
    const CaptureList& captures() const { return state_->captures; }
    const std::vector<CaptureGroup>& groups() const { return state_->groups; }
    const std::map<CaptureStatus, std::int64_t>& counts() const { return state_->counts; }
    // Only captures that have tags.
    PublishedTags tagsByCapture() const { return state_->tagsByCapture(); }
    PublishedCommentCounts commentCounts() const { return state_->commentCounts(); }
    const std::vector<std::string>& allTags() const { return state_->allTags; }
    // How many live captures carry each tag.
    const std::map<std::string, std::int64_t>& tagUses() const { return state_->tagUses; }
    PublishedImageCounts imageCounts() const { return state_->imageCounts(); }
    // The published capture with this id, whole, or nothing.
    std::optional<Capture> capture(const std::string& id) const;
    const std::optional<std::string>& loadError() const { return loadError_; }
    const std::vector<Person>& people() const { return state_->people; }
    const std::vector<Workspace>& workspaces() const { return state_->workspaces; }
    const std::optional<std::string>& currentUserID() const { return state_->currentUserID; }
    const AccountRecords& accountRecords() const { return state_->account; }

    std::int64_t openCount() const;
    std::int64_t assignedToMeCount() const;
    bool isMine(const Capture& capture) const;
    std::optional<CaptureGroup> group(const std::optional<std::string>& id) const;
    std::optional<CaptureGroup> group(const SharedText& id) const;
    // From the published people only: a name not there is the views' to label by its id.
    std::optional<Person> person(const std::optional<std::string>& id) const;
    std::optional<Person> person(const SharedText& id) const;
    // Whether the store holds no live capture with this id (a failed read answers no): what a
    // view asks before it calls a capture gone that the published state does not hold yet.
    bool isDeleted(const std::string& id) const;

    ThumbnailLoader& thumbnails() const { return thumbnails_; }

    // Marks the board dirty: it is read again whole, whether the change counter moved or not.
    void reload();
    // Marks the board dirty: what moved is read again if the change counter moved.
    void checkForChanges();
    // The same, with the account's records read again whether the counter moved or not: the
    // sync log changes without it.
    void checkAccountRecords();
    // Whether a reload is waiting or under way.
    bool reloadPending() const;
    // Writes made whose answer has not come yet.
    int writesPending() const { return writesPending_; }

    // Reads `parts` of one capture on the detail reader's thread and answers `done` on the GUI
    // thread, in the order asked, unless `context` is gone by then. A failed read answers with
    // its error set.
    void readDetail(const std::string& captureID, DetailParts parts, QObject* context,
                    std::function<void(CaptureDetail)> done);
    // Whether a detail read is waiting or under way.
    bool detailReadPending() const { return detailReads_ > 0; }
    // Counts on the detail reader's thread the changes made here that never reached the service
    // and that signing out would forget, and answers on the GUI thread unless `context` is gone;
    // nothing when the read fails.
    void countChangesLostOnSignOut(QObject* context,
                                   std::function<void(std::optional<std::int64_t>)> done);

    // Reads for what the published state leaves out, on the calling thread. A failed read
    // answers nothing.

    // The capture's live screenshots by position.
    std::vector<CaptureImage> images(const std::string& captureID) const;
    std::optional<CaptureImage> image(const std::string& id) const;
    // Oldest first.
    std::vector<Comment> comments(const std::string& captureID) const;
    std::vector<ActivityEvent> activity(const std::string& captureID) const;

    // The writes. Values a write needs from the published state are taken when it is called.

    // A new capture with its tags and screenshots, all or nothing.
    [[nodiscard]] PendingWrite<> add(const Capture& capture, const std::vector<std::string>& tags,
                                     const std::vector<CaptureImage>& images);
    // Writes the image files, then the screenshot row; the files go again when the row fails.
    [[nodiscard]] PendingWrite<> addImage(const QImage& image, const std::string& captureID,
                                          CaptureMode mode);
    [[nodiscard]] PendingWrite<> deleteCapture(const std::string& id);
    // Its value: whether the screenshot existed.
    [[nodiscard]] PendingWrite<bool> deleteImage(const CaptureImage& image);
    [[nodiscard]] PendingWrite<> setStatus(CaptureStatus status, const std::string& captureID);
    [[nodiscard]] PendingWrite<> assign(const std::optional<std::string>& personID,
                                        const std::string& captureID);
    // Writes only the fields in which `edited` differs from the published copy of the capture.
    [[nodiscard]] PendingWrite<> update(const Capture& edited);
    [[nodiscard]] PendingWrite<> setTags(const std::vector<std::string>& tags,
                                         const std::string& captureID);
    [[nodiscard]] PendingWrite<> addComment(const std::string& text, const std::string& captureID);
    // A new private group; its value is the group as stored, which is the listed group of that
    // name when one exists already.
    [[nodiscard]] PendingWrite<CaptureGroup>
    createGroup(const std::string& name, const std::string& colorHex,
                const std::optional<std::string>& path = std::nullopt);
    [[nodiscard]] PendingWrite<> deleteGroup(const std::string& id);
    // Renders (or, without shapes, removes) the marked copy and rewrites the screenshot's row.
    [[nodiscard]] PendingWrite<> saveAnnotation(const Annotation& annotation,
                                                const CaptureImage& image);

signals:
    // A published value that a reload found different (loadError: set, cleared or reworded).
    void changed(tavro::LibraryProperty property);
    // After each published read, whether anything differed or not.
    void reloaded();
    // A write made here committed: once per write, as its answer is handed over.
    void localChangeCommitted();

private:
    // Runs `writes` on the writer's thread with its store; answers on the GUI thread.
    template <class Writes> auto perform(Writes writes);
    void markDirty(bool force);
    void startReload();
    void publish(LibraryReader::Outcome outcome);
    void setLoadError(std::optional<std::string> message);
    std::optional<CaptureGroup> groupWith(const std::string* id) const;
    std::optional<Person> personWith(const std::string* id) const;

    std::shared_ptr<CaptureStore> store_;
    ThumbnailLoader& thumbnails_;
    std::unique_ptr<StoreChangeListener> listener_;
    QTimer poll_;
    QTimer reloadTimer_;
    QElapsedTimer dirtySince_;
    bool dirty_ = false;
    bool forced_ = false;
    bool whole_ = false;
    bool reading_ = false;
    int detailReads_ = 0;
    int writesPending_ = 0;

    std::shared_ptr<const LibraryState> state_;
    CaptureMoves moves_;
    std::optional<std::string> loadError_;
    // Last, so that they go first: their threads may still be handing over a read or a write.
    std::unique_ptr<LibraryReader> reader_;
    std::unique_ptr<DetailReader> detailReader_;
    std::unique_ptr<LibraryWriter> writer_;
};

} // namespace tavro
