#include "ledger/SyncLedger.h"

#include "store/Database.h"

namespace tavro {

void SyncLedger::setImageHashes(std::string_view imageID,
                                const std::optional<std::string>& originalSHA256,
                                const std::optional<std::string>& markedSHA256,
                                const std::optional<std::string>& thumbSHA256) {
    db_->execute("UPDATE capture_images SET original_sha256 = ?, marked_sha256 = ?, "
                 "thumb_sha256 = ? WHERE id = ?;",
                 {originalSHA256, markedSHA256, thumbSHA256, imageID});
}

void SyncLedger::setImagePaths(std::string_view imageID, const std::string& imagePath,
                               const std::optional<std::string>& annotatedPath,
                               const std::optional<std::string>& thumbPath) {
    db_->execute("UPDATE capture_images SET image_path = ?, annotated_path = ?, thumb_path = ? "
                 "WHERE id = ?;",
                 {imagePath, annotatedPath, thumbPath, imageID});
}

} // namespace tavro
