#pragma once

#include "library/CaptureDetail.h"
#include "library/LibraryReader.h"
#include "library/LibraryState.h"
#include "library/LibraryWriter.h"
#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"
#include "model/CaptureImage.h"
#include "values/PendingWrite.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tavro {

class StoreChangeListener;
class ThumbnailLoader;
struct Annotation;

// The app's one observable view of the board, and its one door to the store: nothing else in
// the app holds a CaptureStore, and the GUI thread holds no connection. Views read the published
// state and call the operations; each write runs in order on the writer's thread through a
// connection of its own, and answers its caller on the GUI thread with a WriteResult through the
// PendingWrite it returned; one that commits is announced. Every read runs on the reader's
// thread through its one connection, in the order asked: the board's, and those views ask for
// (a capture's detail, a screenshot's row, whether a capture is gone), which answer on the GUI
// thread. The first board is published in two steps, the newest captures and then all of them,
// so that the window shows its first cards at once. Its own writes, the store-changed
// notification of another program and the 3 s poll only mark the board dirty: one short
// single-shot timer, restarted while requests keep coming (up to a longest wait), then reads the
// board and swaps the published state whole on the GUI thread, with a change signal for each
// value that differs. A notification or poll reads only when the store's change counter moved,
// and then only what its change log says moved. So a write is not yet in the published state
// when it answers; watch changed() or reloaded(). Errors never escape: a write's failure is its
// caller's to show, a read's is its answer, loadError() tells of loading.
class Library final : public QObject {
    Q_OBJECT

public:
    using Property = LibraryProperty;

    static constexpr int pollIntervalMs = 3000;
    // Quiet time after the last request before the board is read, and the longest a request
    // waits while more keep coming.
    static constexpr int reloadDelayMs = 30;
    static constexpr int reloadLongestDelayMs = 200;

    // Starts reading the board of the library file, opened and brought up to date already, and
    // watching the store; publishes nothing before it returns.
    Library(std::filesystem::path database, ThumbnailLoader& thumbnails,
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
    // Every live capture, newest first; while loading(), only the newest ones or none.
    const CaptureList& captures() const { return state_->captures; }
    // Until the whole board is first published. The figures (counts, tags, captureCount()) are
    // the whole board's from the first publish on.
    bool loading() const { return !state_->complete; }
    // Whether a first read has ended, published or failed.
    bool firstReadEnded() const { return published_ || loadError_; }
    // Runs `then` once a first read has ended: at once when it has, unless `context` is gone.
    void whenFirstReadEnds(QObject* context, std::function<void()> then);
    // Live captures.
    std::int64_t captureCount() const;
    const std::vector<CaptureGroup>& groups() const { return state_->groups; }
    const std::map<CaptureStatus, std::int64_t>& counts() const { return state_->counts; }
    // Only captures that have tags.
    PublishedTags tagsByCapture() const { return state_->tagsByCapture(); }
    const std::vector<std::string>& allTags() const { return state_->allTags; }
    // How many live captures carry each tag.
    const std::map<std::string, std::int64_t>& tagUses() const { return state_->tagUses; }
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

    // The reads for views, each answered on the GUI thread in the order asked, unless `context`
    // is gone by then.

    // Reads `parts` of one capture. A failed read answers with its error set.
    void readDetail(const std::string& captureID, DetailParts parts, QObject* context,
                    std::function<void(CaptureDetail)> done);
    // The live screenshot with this id; a failed read answers nothing.
    void readImage(const std::string& id, QObject* context,
                   std::function<void(std::optional<CaptureImage>)> done);
    // Whether the store holds no live capture with this id (a failed read answers no): what a
    // view asks before it calls a capture gone that the published state does not hold yet.
    void readDeleted(const std::string& captureID, QObject* context,
                     std::function<void(bool)> done);
    // The changes made here that never reached the service and that signing out would forget;
    // nothing when the read fails.
    void countChangesLostOnSignOut(QObject* context,
                                   std::function<void(std::optional<std::int64_t>)> done);
    // Whether one of those reads is waiting or under way.
    bool viewReadsPending() const { return viewReads_ > 0; }

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
    // Runs `read` on the reader's thread with its store; answers `done` on the GUI thread.
    template <class Value, class Read>
    void readForView(Read read, QObject* context, std::function<void(Value)> done);
    void markDirty(bool force);
    void startReload();
    void startReading(LibraryReader::Reading reading);
    void publish(LibraryReader::Outcome outcome);
    void setLoadError(std::optional<std::string> message);
    std::optional<CaptureGroup> groupWith(const std::string* id) const;
    std::optional<Person> personWith(const std::string* id) const;

    ThumbnailLoader& thumbnails_;
    std::unique_ptr<StoreChangeListener> listener_;
    QTimer poll_;
    QTimer reloadTimer_;
    QElapsedTimer dirtySince_;
    bool dirty_ = false;
    bool forced_ = false;
    bool whole_ = false;
    bool reading_ = false;
    bool published_ = false;
    int viewReads_ = 0;
    int writesPending_ = 0;

    std::shared_ptr<const LibraryState> state_;
    CaptureMoves moves_;
    std::optional<std::string> loadError_;
    // Last, so that they go first: their threads may still be handing over a read or a write.
    std::unique_ptr<LibraryReader> reader_;
    std::unique_ptr<LibraryWriter> writer_;
};

} // namespace tavro
