#include "ledger/SyncLedger.h"

namespace tavro {

namespace {

std::string_view named(SyncLedger::Transfer transfer) {
    return transfer == SyncLedger::Transfer::upload ? "upload" : "download";
}

} // namespace

std::optional<SyncLedger::TransferFailure>
SyncLedger::transferFailure(Transfer transfer, std::string_view imageID) const {
    const auto rows = db_->query("SELECT shape, wait, retry_at FROM blob_failures WHERE "
                                 "image_id = ? AND transfer = ?;",
                                 {imageID, named(transfer)});
    if (rows.empty())
        return std::nullopt;
    const Row& row = rows.front();
    return TransferFailure{row.string("shape").value_or(""), row.doubleValue("wait").value_or(0),
                           row.doubleValue("retry_at").value_or(0)};
}

void SyncLedger::setTransferFailure(Transfer transfer, std::string_view imageID,
                                    const TransferFailure& failure) {
    db_->execute("INSERT INTO blob_failures (image_id, transfer, shape, wait, retry_at) SELECT "
                 "?1, ?2, ?3, ?4, ?5 WHERE EXISTS (SELECT 1 FROM capture_images WHERE id = ?1) "
                 "ON CONFLICT (image_id, transfer) DO UPDATE SET shape = excluded.shape, "
                 "wait = excluded.wait, retry_at = excluded.retry_at;",
                 {imageID, named(transfer), failure.shape, failure.wait, failure.retryAt});
}

void SyncLedger::clearTransferFailure(Transfer transfer, std::string_view imageID) {
    db_->execute("DELETE FROM blob_failures WHERE image_id = ? AND transfer = ?;",
                 {imageID, named(transfer)});
}

std::int64_t SyncLedger::transferFailureCount(Transfer transfer) const {
    const auto rows = db_->query(
        "SELECT COUNT(*) AS n FROM blob_failures f JOIN capture_images i ON i.id = f.image_id "
        "WHERE f.transfer = ?1 AND (?1 = 'download' OR (i.sync_state = 'pendingPush' AND "
        "i.deleted_at IS NULL));",
        {named(transfer)});
    return rows.empty() ? 0 : rows.front().intValue("n").value_or(0);
}

} // namespace tavro
