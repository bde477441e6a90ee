#include "shell/Library.h"

#include "account/Account.h"
#include "capture/ImageWriter.h"
#include "compose/AttachmentService.h"
#include "model/Paths.h"
#include "model/Uuid.h"
#include "platform/StoreChangeListener.h"
#include "shell/CaptureEdits.h"
#include "shell/ThumbnailLoader.h"
#include "shell/Utf8.h"
#include "store/CaptureStore.h"
#include "store/ImageFiles.h"

#include <algorithm>
#include <exception>
#include <type_traits>

namespace tavro {

namespace {

// The user's own changes are recorded in a capture's history under this name.
constexpr std::string_view userActor = "you";

} // namespace

Library::Library(std::shared_ptr<CaptureStore> store, ThumbnailLoader& thumbnails,
                 std::unique_ptr<StoreChangeListener> listener, QObject* parent)
    : QObject(parent)
    , store_(std::move(store))
    , thumbnails_(thumbnails)
    , listener_(std::move(listener))
    , state_(std::make_shared<const LibraryState>())
    , reader_(std::make_unique<LibraryReader>(store_->db().file())) {
    // The first board is read before the window that shows it opens.
    publish(reader_->read(nullptr, LibraryReader::Reading::whole));
    reloadTimer_.setSingleShot(true);
    connect(&reloadTimer_, &QTimer::timeout, this, &Library::startReload);
    connect(listener_.get(), &StoreChangeListener::changed, this, &Library::checkForChanges);
    poll_.setInterval(pollIntervalMs);
    connect(&poll_, &QTimer::timeout, this, &Library::checkForChanges);
    poll_.start();
}

Library::~Library() {
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
    const Reading reading = whole_ || loadError_ ? Reading::whole
                            : forced_            ? Reading::always
                                                 : Reading::ifMoved;
    dirty_ = false;
    forced_ = false;
    whole_ = false;
    reading_ = true;
    // The reader's thread ends before the facade goes, and an event posted to the facade goes
    // with it: `this` is alive whenever the outcome arrives.
    reader_->start(state_, reading, [this](LibraryReader::Outcome outcome) {
        QMetaObject::invokeMethod(
            this,
            [this, outcome = std::move(outcome)]() mutable {
                reading_ = false;
                publish(std::move(outcome));
                if (dirty_)
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
    state_ = std::move(outcome.state);
    for (Property property : outcome.changed)
        emit changed(property);
    setLoadError(std::nullopt);
    emit reloaded();
}

template <class Writes> auto Library::perform(Writes&& writes) {
    using Value = std::invoke_result_t<Writes&>;
    std::optional<WriteResult<Value>> result;
    try {
        if constexpr (std::is_void_v<Value>) {
            writes();
            result = WriteResult<>::success();
        } else {
            result = WriteResult<Value>::success(writes());
        }
    } catch (const std::exception& error) {
        return WriteResult<Value>::failure(error.what());
    }
    markDirty(true);
    if (account_)
        account_->noteLocalChange();
    return std::move(*result);
}

std::int64_t Library::openCount() const {
    std::int64_t total = 0;
    for (CaptureStatus status : activeStatuses)
        if (auto it = counts().find(status); it != counts().end())
            total += it->second;
    return total;
}

std::int64_t Library::assignedToMeCount() const {
    return state_->assignedToMe;
}

const Capture* Library::capture(const std::string& id) const {
    const BoardItem* item = state_->captures.find(id);
    return item ? &item->capture : nullptr;
}

bool Library::isDeleted(const std::string& id) const {
    try {
        const auto row = store_->rawCapture(id);
        return !row || row->deletedAt.has_value();
    } catch (const std::exception&) {
        return false;
    }
}

bool Library::isMine(const Capture& capture) const {
    if (!capture.authorID)
        return true;
    return currentUserID() && *currentUserID() == *capture.authorID;
}

std::optional<CaptureGroup> Library::group(const std::optional<std::string>& id) const {
    if (!id)
        return std::nullopt;
    const auto& groups = state_->groups;
    auto it = std::find_if(groups.begin(), groups.end(),
                           [&](const CaptureGroup& group) { return group.id == *id; });
    if (it == groups.end())
        return std::nullopt;
    return *it;
}

std::optional<Person> Library::person(const std::optional<std::string>& id) const {
    if (!id)
        return std::nullopt;
    const auto& people = state_->people;
    auto it = std::find_if(people.begin(), people.end(),
                           [&](const Person& person) { return person.id == *id; });
    if (it != people.end())
        return *it;
    try {
        return store_->person(*id);
    } catch (const std::exception&) {
        // A name not shown is no loss: the views fall back on the id's own label.
        return std::nullopt;
    }
}

namespace {

// A read for a view that shows nothing rather than an error in its place.
template <class Read> auto orNothing(Read&& read) -> std::invoke_result_t<Read&> {
    try {
        return read();
    } catch (const std::exception&) {
        return {};
    }
}

} // namespace

std::vector<CaptureImage> Library::images(const std::string& captureID) const {
    return orNothing([&] { return store_->images(captureID); });
}

std::optional<CaptureImage> Library::image(const std::string& id) const {
    return orNothing([&] { return store_->image(id); });
}

std::vector<Comment> Library::comments(const std::string& captureID) const {
    return orNothing([&] { return store_->comments(captureID); });
}

std::vector<ActivityEvent> Library::activity(const std::string& captureID) const {
    return orNothing([&] { return store_->activity(captureID); });
}

WriteResult<> Library::add(const Capture& capture, const std::vector<std::string>& tags,
                           const std::vector<CaptureImage>& images) {
    // One transaction: a failure part-way leaves no half-saved capture behind, so the same
    // capture can be saved again.
    return perform([&] {
        store_->db().transaction([&] {
            store_->insert(capture);
            if (!tags.empty())
                store_->setTags(tags, capture.id);
            for (const CaptureImage& image : images)
                store_->addImage(image);
        });
    });
}

WriteResult<> Library::addImage(const QImage& image, const std::string& captureID,
                                CaptureMode mode) {
    const std::string id = makeUUID();
    const Seconds date = now();
    return perform([&] {
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
            store_->db().transaction([&] {
                store_->addImage(record);
                auto capture = store_->capture(captureID);
                if (capture && capture->captureMode == CaptureMode::text)
                    store_->setCaptureMode(mode, captureID);
            });
        } catch (...) {
            ImageFiles::removeImageIfNamed(written.relativePath);
            ImageFiles::removeThumbIfNamed(written.thumbRelativePath);
            throw;
        }
    });
}

WriteResult<> Library::deleteCapture(const std::string& id) {
    return perform([&] {
        if (auto capture = store_->capture(id)) {
            if (auto file =
                    TavroPaths::resolveInside(TavroPaths::capturesRoot(), capture->imagePath))
                thumbnails_.evict(toQString(file->string()));
            if (capture->thumbPath)
                if (auto file =
                        TavroPaths::resolveInside(TavroPaths::thumbsRoot(), *capture->thumbPath))
                    thumbnails_.evict(toQString(file->string()));
        }
        store_->softDelete(id);
    });
}

WriteResult<bool> Library::deleteImage(const CaptureImage& image) {
    return perform([&] { return store_->deleteImage(image.id); });
}

WriteResult<> Library::setStatus(CaptureStatus status, const std::string& captureID) {
    return perform([&] { store_->setStatus(captureID, status, userActor); });
}

WriteResult<> Library::assign(const std::optional<std::string>& personID,
                              const std::string& captureID) {
    return perform([&] { store_->assign(captureID, personID, userActor); });
}

WriteResult<> Library::update(const Capture& edited) {
    const auto& captures = state_->captures;
    const auto shown = std::find_if(captures.begin(), captures.end(),
                                    [&](const Capture& c) { return c.id == edited.id; });
    const std::optional<Capture> published =
        shown == captures.end() ? std::nullopt : std::optional<Capture>(*shown);
    return perform([&] {
        // Read and write in one transaction, so nothing another program writes in between is lost.
        store_->db().transaction([&] {
            auto current = store_->capture(edited.id);
            if (!current)
                return;
            store_->update(published ? mergeCaptureEdits(*published, edited, *current) : edited);
        });
    });
}

WriteResult<> Library::setTags(const std::vector<std::string>& tags, const std::string& captureID) {
    return perform([&] { store_->setTags(tags, captureID); });
}

WriteResult<> Library::addComment(const std::string& text, const std::string& captureID) {
    Comment comment;
    comment.id = makeUUID();
    comment.captureID = captureID;
    comment.author = std::string(userActor);
    comment.isAgent = false;
    comment.body = text;
    comment.createdAt = now();
    comment.kind = "comment";
    comment.syncState = SyncState::local;
    return perform([&] { store_->addComment(comment); });
}

WriteResult<CaptureGroup> Library::createGroup(const std::string& name, const std::string& colorHex,
                                               const std::optional<std::string>& path) {
    CaptureGroup group;
    group.id = makeUUID();
    group.name = name;
    group.colorHex = colorHex;
    group.path = path;
    group.createdAt = group.updatedAt = now();
    group.syncState = SyncState::local;
    group.visibility = GroupVisibility::privateGroup;
    return perform([&] { return store_->upsertGroup(group); });
}

WriteResult<> Library::deleteGroup(const std::string& id) {
    return perform([&] { store_->deleteGroup(id); });
}

WriteResult<> Library::saveAnnotation(const Annotation& annotation, const CaptureImage& image) {
    return perform([&] {
        AttachmentService::saveAnnotation(
            annotation, image, [this](const CaptureImage& row) { store_->updateImage(row); },
            &thumbnails_);
    });
}

} // namespace tavro
