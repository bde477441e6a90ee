#include "sync/PushBatch.h"

#include "sync/ScreenshotBlobs.h"
#include "sync/SyncError.h"

namespace tavro {

namespace {

class Collector {
public:
    Collector(CaptureStore& store, PushBatch& batch)
        : store_(store)
        , batch_(batch) {}

    // False once the batch is full: the row (and everything after it) waits.
    bool room() {
        if (batch_.changes.size() < PushBatch::maxChanges)
            return true;
        batch_.cut = true;
        return false;
    }

    void add(std::string_view table, const CaptureStore::Pending& pending,
             const std::optional<nlohmann::json>& record) {
        if (!record) {
            // Nothing left to send; a change made since the listing keeps it pending.
            store_.markSynced(table, pending, std::nullopt);
            return;
        }
        batch_.changes.push_back(*record);
        batch_.rows[pending.id] =
            PushedRow{std::string(table), pending.fields.count("*") > 0, pending, record};
    }

private:
    CaptureStore& store_;
    PushBatch& batch_;
};

// Whether the screenshot's files are on the service; false when it is to wait.
bool blobsReady(CaptureStore& store, const CaptureImage& image, const EnsureBlobs& ensureBlobs) {
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
        store.log("warn", "Image " + idTail(image.id) + " skipped: " + error.what());
        return false;
    }
}

} // namespace

std::string idTail(std::string_view id) {
    return std::string(id.size() > 8 ? id.substr(id.size() - 8) : id);
}

PushBatch collectPush(CaptureStore& store, const EnsureBlobs& ensureBlobs) {
    PushBatch batch;
    Collector collect(store, batch);

    // A full listing may have more rows behind it, which the next exchange lists once these
    // have gone; rows that wait where they are (screenshots held back) do not ask for it.
    const auto fullListing = [&](size_t listed, size_t gone) {
        if (listed >= size_t(PushBatch::rowsPerTable) && gone > 0)
            batch.cut = true;
    };

    const auto groups = store.pending("groups", PushBatch::rowsPerTable);
    for (const auto& pending : groups)
        collect.add("groups", pending, store.groupChange(pending));
    fullListing(groups.size(), groups.size());
    const auto captures = store.pending("captures", PushBatch::rowsPerTable);
    for (const auto& pending : captures)
        collect.add("captures", pending, store.captureChange(pending));
    fullListing(captures.size(), captures.size());

    const auto images = store.pending("capture_images", PushBatch::rowsPerTable);
    size_t imagesGone = 0;
    for (const auto& pending : images) {
        if (!collect.room())
            break; // no upload for a screenshot this request would not carry
        auto image = store.rawImage(pending.id);
        if (!image)
            continue;
        if (!pending.fields.count("delete") && !image->deletedAt) {
            if (!blobsReady(store, *image, ensureBlobs))
                continue;
            // The upload recorded the files' hashes on the row.
            if (auto reread = store.rawImage(pending.id))
                image = std::move(reread);
        }
        collect.add("capture_images", pending, CaptureStore::imageChange(pending, *image));
        ++imagesGone;
    }
    fullListing(images.size(), imagesGone);

    const auto comments = store.pendingComments(PushBatch::rowsPerTable);
    for (const auto& comment : comments) {
        if (!collect.room())
            break;
        batch.changes.push_back(CaptureStore::commentChange(comment));
        batch.rows[comment.id] = PushedRow{"comments", true, {.id = comment.id}, std::nullopt};
    }
    fullListing(comments.size(), comments.size());
    return batch;
}

} // namespace tavro
