#include "shell/Library.h"

#include "account/Account.h"
#include "capture/ImageWriter.h"
#include "compose/AttachmentService.h"
#include "model/CaptureQuery.h"
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
    , listener_(std::move(listener)) {
    connect(listener_.get(), &StoreChangeListener::changed, this, &Library::checkForChanges);
    reload();
    poll_.setInterval(pollIntervalMs);
    connect(&poll_, &QTimer::timeout, this, &Library::checkForChanges);
    poll_.start();
}

Library::~Library() = default;

template <class T> void Library::publish(T& field, T value, Property property) {
    field = std::move(value);
    emit changed(property);
}

void Library::setLoadError(std::optional<std::string> message) {
    publish(loadError_, std::move(message), Property::loadError);
}

void Library::reload() {
    try {
        CaptureQuery everything;
        everything.limit = reloadLimit;
        everything.offset = 0;
        everything.newestFirst = true;
        publish(captures_, store_->captures(everything), Property::captures);
        publish(groups_, store_->groups(), Property::groups);
        publish(counts_, store_->countsByStatus(), Property::counts);
        publish(commentCounts_, store_->commentCounts(), Property::commentCounts);
        publish(imageCounts_, store_->imageCounts(), Property::imageCounts);
        publish(allTags_, store_->allTags(), Property::allTags);
        publish(people_, store_->assignableCandidates(), Property::people);
        publish(workspaces_, store_->workspaces(), Property::workspaces);
        std::optional<std::string> userID;
        try {
            userID = store_->syncMeta("user_id");
        } catch (const std::exception&) {
        }
        publish(currentUserID_, std::move(userID), Property::currentUserID);

        // One query for the whole board rather than one per capture, kept to the captures shown.
        auto every = store_->tagsByCapture();
        std::unordered_map<std::string, std::vector<std::string>> tags;
        for (const Capture& capture : captures_)
            if (auto it = every.find(capture.id); it != every.end())
                tags.emplace(capture.id, std::move(it->second));
        publish(tagsByCapture_, std::move(tags), Property::tagsByCapture);
    } catch (const std::exception& error) {
        setLoadError(error.what());
        return;
    }
    try {
        lastStamp_ = store_->changeStamp();
    } catch (const std::exception&) {
    }
    setLoadError(std::nullopt);
    emit reloaded();
}

void Library::checkForChanges() {
    std::string stamp;
    try {
        stamp = store_->changeStamp();
    } catch (const std::exception&) {
        return;
    }
    if (stamp != lastStamp_)
        reload();
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
    reload();
    if (account_)
        account_->noteLocalChange();
    return std::move(*result);
}

std::int64_t Library::openCount() const {
    std::int64_t total = 0;
    for (CaptureStatus status : activeStatuses)
        if (auto it = counts_.find(status); it != counts_.end())
            total += it->second;
    return total;
}

std::int64_t Library::assignedToMeCount() const {
    if (!currentUserID_)
        return 0;
    return std::count_if(captures_.begin(), captures_.end(), [this](const Capture& capture) {
        return capture.assigneeID == currentUserID_ && isActive(capture.status);
    });
}

bool Library::isMine(const Capture& capture) const {
    if (!capture.authorID)
        return true;
    return currentUserID_ && *currentUserID_ == *capture.authorID;
}

std::optional<CaptureGroup> Library::group(const std::optional<std::string>& id) const {
    if (!id)
        return std::nullopt;
    auto it = std::find_if(groups_.begin(), groups_.end(),
                           [&](const CaptureGroup& group) { return group.id == *id; });
    if (it == groups_.end())
        return std::nullopt;
    return *it;
}

std::optional<Person> Library::person(const std::optional<std::string>& id) const {
    if (!id)
        return std::nullopt;
    auto it = std::find_if(people_.begin(), people_.end(),
                           [&](const Person& person) { return person.id == *id; });
    if (it != people_.end())
        return *it;
    try {
        return store_->person(*id);
    } catch (const std::exception&) {
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
    const auto shown = std::find_if(captures_.begin(), captures_.end(),
                                    [&](const Capture& c) { return c.id == edited.id; });
    const std::optional<Capture> published =
        shown == captures_.end() ? std::nullopt : std::optional<Capture>(*shown);
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
