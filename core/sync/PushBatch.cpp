#include "sync/PushBatch.h"

#include "sync/ScreenshotBlobs.h"
#include "sync/SyncError.h"

#include <unordered_set>

namespace tavro {

namespace {

class Collector {
public:
    Collector(SyncLedger& ledger, PushBatch& batch)
        : ledger_(ledger)
        , batch_(batch) {}

    // False once the batch is full: the row (and everything after it) waits.
    bool room() {
        if (batch_.changes.size() < PushBatch::maxChanges)
            return true;
        batch_.cut = true;
        return false;
    }

    void add(std::string_view table, const SyncLedger::Pending& pending,
             const std::optional<nlohmann::json>& record, std::string captureID = {}) {
        if (!record) {
            // Nothing left to send; a change made since the listing keeps it pending.
            ledger_.markSynced(table, pending, std::nullopt);
            return;
        }
        batch_.changes.push_back(*record);
        batch_.rows[pending.id] = PushedRow{std::string(table), pending.fields.count("*") > 0,
                                            pending, record, std::move(captureID)};
    }

private:
    SyncLedger& ledger_;
    PushBatch& batch_;
};

// Whether the screenshot's files are on the service; false when it is to wait.
bool blobsReady(SyncLedger& ledger, const CaptureImage& image, const EnsureBlobs& ensureBlobs) {
    try {
        ensureBlobs(image);
        return true;
    } catch (const BlobsDeferred&) {
        return false; // logged where it failed, once per wait
    } catch (const SyncError& error) {
        if (error.code() == SyncError::Code::uploadsDisabled)
            return false;
        throw;
    } catch (const std::exception& error) {
        ledger.log("warn", "Image " + idTail(image.id) + " skipped: " + error.what());
        return false;
    }
}

} // namespace

std::string idTail(std::string_view id) {
    return std::string(id.size() > 8 ? id.substr(id.size() - 8) : id);
}

PushBatch collectPush(SyncLedger& ledger, const EnsureBlobs& ensureBlobs) {
    PushBatch batch;
    Collector collect(ledger, batch);

    // A full listing may have more rows behind it, which the next exchange lists once these
    // have gone; rows that wait where they are (screenshots held back) do not ask for it.
    const auto fullListing = [&](size_t listed, size_t gone, size_t limit) {
        if (listed >= limit && gone > 0)
            batch.cut = true;
    };
    constexpr size_t rows = size_t(PushBatch::rowsPerTable);

    const auto groups = ledger.pending("groups", PushBatch::rowsPerTable);
    for (const auto& pending : groups)
        collect.add("groups", pending, ledger.groupChange(pending));
    fullListing(groups.size(), groups.size(), rows);
    const auto captures = ledger.pending("captures", PushBatch::rowsPerTable);
    for (const auto& pending : captures)
        collect.add("captures", pending, ledger.captureChange(pending));
    fullListing(captures.size(), captures.size(), rows);
    // Captures the service has not seen yet go ahead of their screenshots and comments in this
    // request; the service takes the tables in that order.
    std::vector<std::string> capturesSent;
    for (const auto& pending : captures)
        if (batch.rows.count(pending.id))
            capturesSent.push_back(pending.id);

    // Screenshots whose files cannot be sent stay pending at the head of the listing; a longer
    // listing reaches those behind them.
    std::unordered_set<std::string> listedImages;
    for (int page = 1; page <= PushBatch::imagePages; ++page) {
        const auto listing =
            ledger.pushableImages(PushBatch::rowsPerTable * std::int64_t(page), capturesSent);
        std::vector<SyncLedger::Pending> images;
        for (const auto& pending : listing)
            if (listedImages.insert(pending.id).second)
                images.push_back(pending);
        size_t imagesGone = 0;
        size_t heldBack = 0;
        for (const auto& pending : images) {
            if (!collect.room())
                break; // no upload for a screenshot this request would not carry
            auto image = ledger.rawImage(pending.id);
            if (!image)
                continue;
            if (!pending.fields.count("delete") && !image->deletedAt) {
                if (!blobsReady(ledger, *image, ensureBlobs)) {
                    ++heldBack;
                    continue;
                }
                // The upload recorded the files' hashes on the row.
                if (auto reread = ledger.rawImage(pending.id))
                    image = std::move(reread);
            }
            collect.add("capture_images", pending, SyncLedger::imageChange(pending, *image),
                        image->captureID);
            ++imagesGone;
        }
        fullListing(listing.size(), imagesGone, rows * size_t(page));
        if (listing.size() < rows * size_t(page) || heldBack == 0 || batch.cut)
            break;
    }

    const auto comments = ledger.pushableComments(PushBatch::rowsPerTable, capturesSent);
    for (const auto& comment : comments) {
        if (!collect.room())
            break;
        batch.changes.push_back(SyncLedger::commentChange(comment));
        batch.rows[comment.id] =
            PushedRow{"comments", true, {.id = comment.id}, std::nullopt, comment.captureID};
    }
    fullListing(comments.size(), comments.size(), rows);
    return batch;
}

} // namespace tavro
