#include "library/Library.h"

#include "desktop/StoreChangeListener.h"
#include "files/ScreenshotFiles.h"
#include "library/AttachmentService.h"
#include "library/CaptureEdits.h"
#include "library/ThumbnailLoader.h"
#include "model/Paths.h"
#include "model/Uuid.h"
#include "store/CaptureStore.h"
#include "values/ImageWriter.h"
#include "values/Utf8.h"

#include <QThread>

#include <algorithm>
#include <cassert>
#include <exception>
#include <type_traits>

namespace tavro {

namespace {

// What the facade holds before the first read is published: nothing, and not the whole board.
std::shared_ptr<const LibraryState> unread() {
    LibraryState state;
    state.complete = false;
    return std::make_shared<const LibraryState>(std::move(state));
}

} // namespace

Library::Library(std::filesystem::path database, ThumbnailLoader& thumbnails,
                 std::unique_ptr<StoreChangeListener> listener, QObject* parent)
    : QObject(parent)
    , thumbnails_(thumbnails)
    , listener_(std::move(listener))
    , state_(unread())
    , reader_(std::make_unique<LibraryReader>(database))
    , writer_(std::make_unique<LibraryWriter>(database)) {
    // The window opens meanwhile; the rest of the board follows the newest captures.
    startReading(LibraryReader::Reading::newest);
    reloadTimer_.setSingleShot(true);
    connect(&reloadTimer_, &QTimer::timeout, this, &Library::startReload);
    connect(listener_.get(), &StoreChangeListener::changed, this, &Library::checkForChanges);
    poll_.setInterval(pollIntervalMs);
    connect(&poll_, &QTimer::timeout, this, &Library::checkForChanges);
    poll_.start();
}

Library::~Library() {
    // The writes still queued are made; their answers have no one left to go to.
    writer_.reset();
    reader_.reset();
}

void Library::setLoadError(std::optional<std::string> message) {
    if (loadError_ == message)
        return;
    loadError_ = std::move(message);
    emit changed(Property::loadError);
}

void Library::reload() {
    whole_ = true;
    markDirty(true);
}

void Library::checkForChanges() {
    markDirty(false);
}

void Library::checkAccountRecords() {
    markDirty(true);
}

bool Library::reloadPending() const {
    return dirty_ || reading_;
}

void Library::markDirty(bool force) {
    if (!dirty_)
        dirtySince_.start();
    dirty_ = true;
    forced_ = forced_ || force;
    if (reading_)
        return; // read again once this read is published
    // Each request restarts the quiet time, but never past the longest wait of the first.
    const qint64 left = reloadLongestDelayMs - dirtySince_.elapsed();
    reloadTimer_.start(int(std::clamp<qint64>(left, 0, reloadDelayMs)));
}

void Library::startReload() {
    if (!dirty_ || reading_)
        return;
    // After a failed load, read whole again even when nothing seems to have moved.
    using Reading = LibraryReader::Reading;
    const Reading reading = whole_ || loadError_ || loading() ? Reading::whole
                            : forced_                         ? Reading::always
                                                              : Reading::ifMoved;
    dirty_ = false;
    forced_ = false;
    whole_ = false;
    startReading(reading);
}

void Library::startReading(LibraryReader::Reading reading) {
    reading_ = true;
    // The reader's thread ends before the facade goes, and an event posted to the facade goes
    // with it: `this` is alive whenever the outcome arrives.
    reader_->start(state_, reading, [this, reading](LibraryReader::Outcome outcome) {
        QMetaObject::invokeMethod(
            this,
            [this, reading, outcome = std::move(outcome)]() mutable {
                reading_ = false;
                const bool failed = outcome.error.has_value();
                const bool readWhole = reading == LibraryReader::Reading::whole && outcome.state;
                publish(std::move(outcome));
                // The views have let go of the board this one replaced by now.
                if (readWhole)
                    reader_->releaseMemory();
                if (loading() && !failed)
                    startReading(LibraryReader::Reading::whole);
                else if (dirty_)
                    markDirty(false);
            },
            Qt::QueuedConnection);
    });
}

void Library::publish(LibraryReader::Outcome outcome) {
    if (outcome.error) {
        setLoadError(std::move(outcome.error));
        return;
    }
    if (!outcome.state)
        return; // the change counter has not moved
    moves_ = {state_.get(), std::move(outcome.movedCaptures)};
    state_ = std::move(outcome.state);
    published_ = true;
    for (Property property : outcome.changed)
        emit changed(property);
    setLoadError(std::nullopt);
    emit reloaded();
}

void Library::whenFirstReadEnds(QObject* context, std::function<void()> then) {
    if (firstReadEnded()) {
        then();
        return;
    }
    // Both end a first read; whichever comes first runs `then` and undoes both.
    auto connections =
        std::make_shared<std::pair<QMetaObject::Connection, QMetaObject::Connection>>();
    const auto once = [this, connections, then = std::move(then)] {
        if (!firstReadEnded())
            return;
        disconnect(connections->first);
        disconnect(connections->second);
        then();
    };
    connections->first = connect(this, &Library::reloaded, context, once);
    connections->second = connect(this, &Library::changed, context, once);
}

template <class Writes> auto Library::perform(Writes writes) {
    using Value = std::invoke_result_t<Writes&, CaptureStore&>;
    assert(QThread::currentThread() == thread());
    auto [pending, answer] = PendingWrite<Value>::make();
    ++writesPending_;
    // The writer's thread ends before the facade goes, and an event posted to the facade goes
    // with it: `this` is alive whenever the answer arrives.
    writer_->submit([this, writes = std::move(writes),
                     answer = std::move(answer)](const LibraryWriter::Connection& store) mutable {
        std::optional<WriteResult<Value>> result;
        try {
            if constexpr (std::is_void_v<Value>) {
                writes(store());
                result.emplace(WriteResult<>::success());
            } else {
                result.emplace(WriteResult<Value>::success(writes(store())));
            }
        } catch (const std::exception& error) {
            // The caller shows it: a write's failure is its answer.
            result.emplace(WriteResult<Value>::failure(error.what()));
        }
        QMetaObject::invokeMethod(
            this,
            [this, answer = std::move(answer), result = std::move(*result)]() mutable {
                --writesPending_;
                if (result.ok()) {
                    markDirty(true);
                    emit localChangeCommitted();
                }
                answer(std::move(result));
            },
            Qt::QueuedConnection);
    });
    return std::move(pending);
}

std::int64_t Library::openCount() const {
    std::int64_t total = 0;
    for (CaptureStatus status : activeStatuses)
        if (auto it = counts().find(status); it != counts().end())
            total += it->second;
    return total;
}

std::int64_t Library::captureCount() const {
    std::int64_t total = 0;
    for (const auto& [status, count] : counts())
        total += count;
    return total;
}

std::int64_t Library::assignedToMeCount() const {
    return state_->assignedToMe;
}

std::optional<Capture> Library::capture(const std::string& id) const {
    const BoardItem* item = state_->captures.find(id);
    return item ? std::optional<Capture>(item->capture.whole()) : std::nullopt;
}

bool Library::isMine(const Capture& capture) const {
    if (!capture.authorID)
        return true;
    return currentUserID() && *currentUserID() == *capture.authorID;
}

std::optional<CaptureGroup> Library::group(const std::optional<std::string>& id) const {
    return groupWith(id ? &*id : nullptr);
}

std::optional<CaptureGroup> Library::group(const SharedText& id) const {
    return groupWith(id ? &*id : nullptr);
}

std::optional<Person> Library::person(const std::optional<std::string>& id) const {
    return personWith(id ? &*id : nullptr);
}

std::optional<Person> Library::person(const SharedText& id) const {
    return personWith(id ? &*id : nullptr);
}

std::optional<CaptureGroup> Library::groupWith(const std::string* id) const {
    const CaptureGroup* group = id ? state_->group(*id) : nullptr;
    return group ? std::optional<CaptureGroup>(*group) : std::nullopt;
}

std::optional<Person> Library::personWith(const std::string* id) const {
    const Person* person = id ? state_->person(*id) : nullptr;
    return person ? std::optional<Person>(*person) : std::nullopt;
}

template <class Value, class Read>
void Library::readForView(Read read, QObject* context, std::function<void(Value)> done) {
    ++viewReads_;
    // As with the board's reads: the reader's thread ends before the facade goes, so the answer
    // is posted to the facade, and the context is looked at only on the GUI thread.
    reader_->post([this, read = std::move(read), context = QPointer<QObject>(context),
                   done = std::move(done)](const LibraryReader::Connection& store) mutable {
        Value value = read(store);
        QMetaObject::invokeMethod(
            this,
            [this, context = std::move(context), done = std::move(done),
             value = std::move(value)]() mutable {
                --viewReads_;
                if (context)
                    done(std::move(value));
            },
            Qt::QueuedConnection);
    });
}

void Library::readDetail(const std::string& captureID, DetailParts parts, QObject* context,
                         std::function<void(CaptureDetail)> done) {
    readForView<CaptureDetail>(
        [captureID, parts](const LibraryReader::Connection& store) {
            try {
                return CaptureDetail::read(store(), captureID, parts);
            } catch (const std::exception& error) {
                // The reader's connection could not be opened.
                return CaptureDetail::failed(captureID, parts, error.what());
            }
        },
        context, std::move(done));
}

void Library::readImage(const std::string& id, QObject* context,
                        std::function<void(std::optional<CaptureImage>)> done) {
    readForView<std::optional<CaptureImage>>(
        [id](const LibraryReader::Connection& store) -> std::optional<CaptureImage> {
            try {
                return store().image(id);
            } catch (const std::exception&) {
                // The caller shows nothing in its place; asking again tries again.
                return std::nullopt;
            }
        },
        context, std::move(done));
}

void Library::countChangesLostOnSignOut(QObject* context,
                                        std::function<void(std::optional<std::int64_t>)> done) {
    readForView<std::optional<std::int64_t>>(
        [](const LibraryReader::Connection& store) -> std::optional<std::int64_t> {
            try {
                return store().unsentChangeCount();
            } catch (const std::exception&) {
                // The caller goes on without the count.
                return std::nullopt;
            }
        },
        context, std::move(done));
}

void Library::readDeleted(const std::string& captureID, QObject* context,
                          std::function<void(bool)> done) {
    readForView<bool>(
        [captureID](const LibraryReader::Connection& store) {
            try {
                const auto row = store().rawCapture(captureID);
                return !row || row->deletedAt.has_value();
            } catch (const std::exception&) {
                // Unreadable is not deleted: a view keeps showing the capture rather than call a
                // live one gone; the next reload says again.
                return false;
            }
        },
        context, std::move(done));
}

PendingWrite<> Library::add(const Capture& capture, const std::vector<std::string>& tags,
                            const std::vector<CaptureImage>& images) {
    return perform(
        [capture, tags, images](CaptureStore& store) { store.insert(capture, tags, images); });
}

PendingWrite<> Library::addImage(const QImage& image, const std::string& captureID,
                                 CaptureMode mode) {
    const std::string id = makeUUID();
    const Seconds date = now();
    return perform([image, captureID, mode, id, date](CaptureStore& store) {
        const ImageWriter::Written written = ImageWriter::write(image, id, date);
        CaptureImage record;
        record.id = id;
        record.captureID = captureID;
        record.position = -1;
        record.imagePath = written.relativePath;
        record.thumbPath = written.thumbRelativePath;
        record.width = written.width;
        record.height = written.height;
        record.bytes = written.byteCount;
        record.createdAt = date;
        record.syncState = SyncState::local;
        try {
            store.addImage(record, mode);
        } catch (...) {
            ScreenshotFiles::removeOriginal(written.relativePath);
            ScreenshotFiles::removeThumbnail(written.thumbRelativePath);
            throw;
        }
    });
}

PendingWrite<> Library::deleteCapture(const std::string& id) {
    return perform([this, id](CaptureStore& store) {
        if (auto capture = store.capture(id)) {
            if (auto file =
                    TavroPaths::resolveInside(TavroPaths::capturesRoot(), capture->imagePath))
                thumbnails_.evict(toQString(file->string()));
            if (capture->thumbPath)
                if (auto file =
                        TavroPaths::resolveInside(TavroPaths::thumbsRoot(), *capture->thumbPath))
                    thumbnails_.evict(toQString(file->string()));
        }
        store.softDelete(id);
    });
}

PendingWrite<bool> Library::deleteImage(const CaptureImage& image) {
    return perform([id = image.id](CaptureStore& store) { return store.deleteImage(id); });
}

PendingWrite<> Library::setStatus(CaptureStatus status, const std::string& captureID) {
    return perform([status, captureID](CaptureStore& store) {
        store.setStatus(captureID, status, localActor);
    });
}

PendingWrite<> Library::assign(const std::optional<std::string>& personID,
                               const std::string& captureID) {
    return perform([personID, captureID](CaptureStore& store) {
        store.assign(captureID, personID, localActor);
    });
}

PendingWrite<> Library::update(const Capture& edited) {
    std::optional<Capture> published = capture(edited.id);
    return perform([edited, published = std::move(published)](CaptureStore& store) {
        // Read and write in one transaction, so nothing another program writes in between is lost.
        store.db().transaction([&] {
            auto current = store.capture(edited.id);
            if (!current)
                return;
            store.update(published ? mergeCaptureEdits(*published, edited, *current) : edited);
        });
    });
}

PendingWrite<> Library::setTags(const std::vector<std::string>& tags,
                                const std::string& captureID) {
    return perform([tags, captureID](CaptureStore& store) { store.setTags(tags, captureID); });
}

PendingWrite<> Library::addComment(const std::string& text, const std::string& captureID) {
    Comment comment;
    comment.id = makeUUID();
    comment.captureID = captureID;
    comment.author = std::string(localActor);
    comment.isAgent = false;
    comment.body = text;
    comment.createdAt = now();
    comment.kind = "comment";
    comment.syncState = SyncState::local;
    return perform([comment](CaptureStore& store) { store.addComment(comment); });
}

PendingWrite<CaptureGroup> Library::createGroup(const std::string& name,
                                                const std::string& colorHex,
                                                const std::optional<std::string>& path) {
    CaptureGroup group;
    group.id = makeUUID();
    group.name = name;
    group.colorHex = colorHex;
    group.path = path;
    group.createdAt = group.updatedAt = now();
    group.syncState = SyncState::local;
    group.visibility = GroupVisibility::privateGroup;
    return perform([group](CaptureStore& store) { return store.upsertGroup(group); });
}

PendingWrite<> Library::deleteGroup(const std::string& id) {
    return perform([id](CaptureStore& store) { store.deleteGroup(id); });
}

PendingWrite<> Library::saveAnnotation(const Annotation& annotation, const CaptureImage& image) {
    return perform([this, annotation, image](CaptureStore& store) {
        AttachmentService::saveAnnotation(
            annotation, image, [&store](const CaptureImage& row) { store.updateImage(row); },
            &thumbnails_);
    });
}

} // namespace tavro
