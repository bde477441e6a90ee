#include "ledger/SyncLedger.h"

#include "files/ScreenshotFiles.h"
#include "model/Uuid.h"

namespace tavro {

std::optional<std::string> SyncLedger::keepDrawingApart(std::string_view imageID) {
    return db_->transaction([&]() -> std::optional<std::string> {
        const auto drawn = rawImage(imageID);
        if (!drawn || drawn->deletedAt || (!drawn->annotationJSON && !drawn->annotatedPath))
            return std::nullopt;
        // The copies are written before any row names them; the screenshot's own marked copy
        // goes only once it no longer does.
        CaptureImage apart = *drawn;
        apart.id = makeUUID();
        apart.position = -1;
        apart.createdAt = now();
        apart.remoteID.reset();
        apart.version = 0;
        apart.dirty = true;
        apart.syncState = SyncState::local; // made pending whole by addImage
        const auto copies = ScreenshotFiles::copyFiles(*drawn, apart.id, apart.createdAt);
        apart.imagePath = copies.imagePath;
        apart.annotatedPath = copies.annotatedPath;
        apart.thumbPath = copies.thumbPath;
        store_.addImage(apart);

        // The service's drawing comes with its row in the pull.
        db_->execute("UPDATE capture_images SET annotation_json = NULL, annotated_path = NULL, "
                     "marked_sha256 = NULL WHERE id = ?;",
                     {imageID});
        store_.refreshCover(drawn->captureID);
        if (copies.annotatedPath)
            db_->afterCommit(
                [marked = drawn->annotatedPath] { ScreenshotFiles::removeMarkedCopy(marked); });
        return apart.id;
    });
}

} // namespace tavro
