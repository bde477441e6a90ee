#include "library/BoardCapture.h"

#include "model/FieldCount.h"
#include "model/Paths.h"

namespace tavro {

namespace {

// Every field of Capture is carried here, on the board or aside, and comes back in whole(); a
// field added to Capture and left out would be lost on a round trip through the board, which
// updates compare against. Of the 33, 19 are on the board and 14 aside.
static_assert(aggregateFieldCount<Capture>() == 33 &&
                  aggregateFieldCount<BoardCapture::Rest>() == 14,
              "carry the new Capture field in BoardCapture");

std::shared_ptr<const BoardCapture::Rest> restOf(Capture& capture) {
    BoardCapture::Rest rest{capture.imageWidth,
                            capture.imageHeight,
                            capture.imageBytes,
                            std::move(capture.displayName),
                            capture.displayScale,
                            capture.claimedAt,
                            capture.resolvedAt,
                            std::move(capture.resolutionRef),
                            std::move(capture.remoteID),
                            capture.syncState,
                            capture.dirty,
                            capture.deletedAt,
                            std::move(capture.claimedByID),
                            capture.version};
    if (rest == BoardCapture::Rest{})
        return nullptr;
    return std::make_shared<const BoardCapture::Rest>(std::move(rest));
}

} // namespace

BoardCapture::BoardCapture(const Capture& capture) {
    SharedTexts texts;
    *this = BoardCapture(Capture(capture), texts);
}

BoardCapture::BoardCapture(Capture&& capture, SharedTexts& texts)
    : id(std::move(capture.id))
    , createdAt(capture.createdAt)
    , updatedAt(capture.updatedAt)
    , note(std::move(capture.note))
    , status(capture.status)
    , priority(capture.priority)
    , captureMode(capture.captureMode)
    , localOnly(capture.localOnly)
    , groupID(texts(std::move(capture.groupID)))
    , imagePath(std::move(capture.imagePath))
    , thumbPath(std::move(capture.thumbPath))
    , appName(texts(std::move(capture.appName)))
    , appBundleID(texts(std::move(capture.appBundleID)))
    , windowTitle(texts(std::move(capture.windowTitle)))
    , url(texts(std::move(capture.url)))
    , claimedBy(texts(std::move(capture.claimedBy)))
    , workspaceID(texts(std::move(capture.workspaceID)))
    , authorID(texts(std::move(capture.authorID)))
    , assigneeID(texts(std::move(capture.assigneeID)))
    , rest(restOf(capture)) {
    note.shrink_to_fit();
    imagePath.shrink_to_fit();
}

Capture BoardCapture::whole() const {
    const Rest none;
    const Rest& r = rest ? *rest : none;
    Capture capture;
    capture.id = id;
    capture.createdAt = createdAt;
    capture.updatedAt = updatedAt;
    capture.note = note;
    capture.status = status;
    capture.priority = priority;
    capture.groupID = groupID;
    capture.imagePath = imagePath;
    capture.thumbPath = thumbPath;
    capture.imageWidth = r.imageWidth;
    capture.imageHeight = r.imageHeight;
    capture.imageBytes = r.imageBytes;
    capture.captureMode = captureMode;
    capture.appName = appName;
    capture.appBundleID = appBundleID;
    capture.windowTitle = windowTitle;
    capture.url = url;
    capture.displayName = r.displayName;
    capture.displayScale = r.displayScale;
    capture.claimedBy = claimedBy;
    capture.claimedAt = r.claimedAt;
    capture.resolvedAt = r.resolvedAt;
    capture.resolutionRef = r.resolutionRef;
    capture.remoteID = r.remoteID;
    capture.syncState = r.syncState;
    capture.dirty = r.dirty;
    capture.deletedAt = r.deletedAt;
    capture.workspaceID = workspaceID;
    capture.authorID = authorID;
    capture.assigneeID = assigneeID;
    capture.claimedByID = r.claimedByID;
    capture.version = r.version;
    capture.localOnly = localOnly;
    return capture;
}

bool BoardCapture::operator==(const BoardCapture& other) const {
    const bool sameRest = rest == other.rest || (rest && other.rest && *rest == *other.rest);
    return sameRest && id == other.id && createdAt == other.createdAt &&
           updatedAt == other.updatedAt && note == other.note && status == other.status &&
           priority == other.priority && captureMode == other.captureMode &&
           localOnly == other.localOnly && groupID == other.groupID &&
           imagePath == other.imagePath && thumbPath == other.thumbPath &&
           appName == other.appName && appBundleID == other.appBundleID &&
           windowTitle == other.windowTitle && url == other.url && claimedBy == other.claimedBy &&
           workspaceID == other.workspaceID && authorID == other.authorID &&
           assigneeID == other.assigneeID;
}

std::optional<std::filesystem::path> BoardCapture::imageFilePath() const {
    return TavroPaths::imageFilePath(imagePath);
}

std::optional<std::filesystem::path> BoardCapture::thumbFilePath() const {
    if (!thumbPath)
        return std::nullopt;
    return TavroPaths::thumbFilePath(*thumbPath);
}

std::string BoardCapture::shortID() const {
    return id.size() <= 8 ? id : id.substr(id.size() - 8);
}

std::string BoardCapture::title() const {
    return captureTitle(note, hasImage(), appName ? &*appName : nullptr);
}

std::string BoardCapture::noteBody() const {
    return tavro::noteBody(note);
}

std::optional<std::string> BoardCapture::distinctWindowTitle() const {
    return tavro::distinctWindowTitle(windowTitle, appName);
}

} // namespace tavro
