#pragma once

#include "model/BoardRecords.h"
#include "model/CaptureImage.h"
#include "model/Time.h"
#include "store/CaptureStore.h"

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tavro {

class Database;

// The sync engine's bookkeeping over a board store: the rows waiting to be pushed and their push
// records, the service's verdicts written back, the rows it sends merged in, the removals it
// orders and the purge at sign-out, the people and workspaces it lists, and the sync log. Only
// the sync layer links it. Every operation runs synchronously on the caller's thread through the
// store's Database; the store must outlive the ledger.
class SyncLedger {
public:
    explicit SyncLedger(CaptureStore& store);
    SyncLedger(const SyncLedger&) = delete;
    SyncLedger& operator=(const SyncLedger&) = delete;

    CaptureStore& store() const { return store_; }

    // Push side: the rows waiting to be pushed, their push records, and the server's verdicts
    // written back. Nothing here posts the store-changed notification.

    // One row waiting to be pushed: the wire field names of its mark ("*" the whole row,
    // "delete" its deletion), the server version it was last synced at, and the mark's text as
    // listed, which tells markSynced whether the row changed while its push was in flight.
    struct Pending {
        std::string id;
        std::set<std::string> fields;
        std::int64_t version = 0;
        std::optional<std::string> mark;

        bool operator==(const Pending&) const = default;
    };

    // Oldest first. Only "captures", "groups" and "capture_images" have pending rows; any other
    // name lists nothing.
    std::vector<Pending> pending(std::string_view table, std::int64_t limit) const;
    std::vector<Comment> pendingComments(std::int64_t limit) const;
    // The screenshots and comments of these lists wait for their capture: each is listed only
    // once the service has its capture, or when its capture is among `capturesSent`, which go
    // ahead of them in the same request. Oldest first.
    std::vector<Pending> pushableImages(std::int64_t limit,
                                        const std::vector<std::string>& capturesSent) const;
    std::vector<Comment> pushableComments(std::int64_t limit,
                                          const std::vector<std::string>& capturesSent) const;
    // The capture is here but not on the service: in no workspace, kept on this computer, or
    // still waiting for its first push.
    bool captureNotOnService(std::string_view captureID) const;
    // The screenshot row whether deleted or not.
    std::optional<CaptureImage> rawImage(std::string_view id) const;
    // The keys of a mark's JSON object; empty for anything else.
    static std::set<std::string> pendingFields(const std::optional<std::string>& mark);

    // Push records, nothing when the row has nothing to send.
    std::optional<nlohmann::json> groupChange(const Pending& pending) const;
    std::optional<nlohmann::json> captureChange(const Pending& pending) const;
    static std::optional<nlohmann::json> imageChange(const Pending& pending,
                                                     const CaptureImage& image);
    static nlohmann::json commentChange(const Comment& comment);

    // The server accepted the push built from `pushed` (`record` is what was sent, none when
    // the row had nothing to send). The row is marked synced only when its mark and the record
    // it yields now are still those of the push; a change made meanwhile keeps it pending, at
    // the server's version, for the next push, and so does the archive time of a group sent
    // whole. Returns whether the row was marked synced.
    bool markSynced(std::string_view table, const Pending& pushed,
                    std::optional<std::int64_t> version,
                    const std::optional<nlohmann::json>& record = std::nullopt);
    // The server accepted a pushed comment: it is in step, whatever it was before.
    void markCommentSynced(std::string_view id);
    // Takes the capture with its screenshots and comments out of its workspace.
    void markLocalOnly(std::string_view captureID);
    // The service kept its own drawing on a screenshot over the one pushed from here: this
    // computer's drawing (its mark-up, a copy of the original, its marked copy and thumbnail)
    // becomes a new screenshot of the same capture, waiting to be pushed whole, and the
    // screenshot itself waits for the service's drawing to be pulled. Gives the new
    // screenshot's id; nothing when the screenshot is gone or carries no drawing. Throws
    // ScreenshotFiles::WriteError when a copy cannot be written, and writes no row then.
    std::optional<std::string> keepDrawingApart(std::string_view imageID);
    // A new screenshot or comment the service refused for good: it stays on this computer, is
    // not pushed again, and counts among the unsent changes. Other tables are left alone.
    void keepUnsent(std::string_view table, std::string_view id);
    // The row of a pushed table ("captures", "groups", "capture_images", "comments") still
    // waits to be pushed.
    bool stillPending(std::string_view table, std::string_view id) const;
    // Files the group's captures under the server's id for it and retires the local row. When
    // no group has that id yet, the local group is carried over to it; onto itself, or onto an
    // id that is not one, nothing changes.
    void remapGroup(std::string_view from, std::string_view to);

    // A screenshot's files moved between the library and the service; neither touches its
    // pending mark or sync state. An upload leaves the hashes the service has the files under,
    // a download the library paths of the files it wrote.
    void setImageHashes(std::string_view imageID, const std::optional<std::string>& originalSHA256,
                        const std::optional<std::string>& markedSHA256,
                        const std::optional<std::string>& thumbSHA256);
    void setImagePaths(std::string_view imageID, const std::string& imagePath,
                       const std::optional<std::string>& annotatedPath,
                       const std::optional<std::string>& thumbPath);

    // Screenshot files that failed to move between the library and the service, each with the
    // wait before the next try, kept across restarts. `shape` is what the screenshot looked
    // like when it failed (paths or hashes): a different one means a new try at once.
    enum class Transfer { upload, download };
    struct TransferFailure {
        std::string shape;
        Seconds wait = 0;
        Seconds retryAt = 0;

        bool operator==(const TransferFailure&) const = default;
    };
    std::optional<TransferFailure> transferFailure(Transfer transfer,
                                                   std::string_view imageID) const;
    // Nothing is kept for a screenshot that is gone; its record goes with its row.
    void setTransferFailure(Transfer transfer, std::string_view imageID,
                            const TransferFailure& failure);
    void clearTransferFailure(Transfer transfer, std::string_view imageID);
    // The screenshots whose transfer failed and that still wait for it: uploads of those still
    // to be pushed, downloads of every one.
    std::int64_t transferFailureCount(Transfer transfer) const;

    // The account side that sync fills: people, workspaces, group members and the sync log.
    // Nothing here posts the store-changed notification.

    // Keeps a known e-mail address when the new record has none.
    void upsertPerson(const Person& person);
    // All or nothing: a failure leaves the previous list.
    void replaceWorkspaces(const std::vector<Workspace>& workspaces);
    // Members not removed.
    std::vector<std::string> groupMemberIDs(std::string_view groupID) const;
    // Live workspace captures in step with the server.
    std::vector<std::string> syncedCaptureIDs() const;
    // Writes one line, dated `at` (now when not given), and keeps the newest 501; never fails,
    // but gives whether the line was written.
    bool log(std::string_view level, std::string_view message,
             std::optional<Seconds> at = std::nullopt) noexcept;

    // Pull side: each row the server sends is merged in a transaction of its own, so the other
    // program never waits on a whole reply, and never overwrites a field pending locally. A row
    // without its required keys is ignored; one whose ids or hashes do not have their form is
    // skipped and logged, and writes nothing. Nothing here posts the notification.

    void applyRemoteCapture(const nlohmann::json& row);
    void applyRemoteImage(const nlohmann::json& row);
    void applyRemoteGroup(const nlohmann::json& row);
    void applyRemoteGroupMember(const nlohmann::json& row);
    void applyRemotePerson(const nlohmann::json& row);
    void applyRemoteComment(const nlohmann::json& row);
    void applyRemoteActivity(const nlohmann::json& row);
    // Live screenshots of live workspace captures whose files are not all here yet, newest
    // first, each with its capture's workspace id.
    std::vector<std::pair<CaptureImage, std::string>>
    imagesAwaitingDownload(std::int64_t limit) const;

    // Removals the server orders, and the sign-out purge: rows are deleted outright and, once
    // that has committed, their screenshot files removed. What was never shared survives: a
    // local-only capture, or one still waiting for its first push, leaves its workspace instead.

    void dropCapture(std::string_view id);
    // Drops the capture only while it is a live workspace capture in step with the server:
    // one changed here since it was listed (pending, taken local, deleted) stays. Returns
    // whether it was dropped.
    bool dropSyncedCapture(std::string_view id);
    // A screenshot not pushed yet stays; the capture's other screenshots keep their positions.
    void dropImage(std::string_view id);
    // Keeps the signed-in user's own captures, and the group while any remain; a group not
    // pushed yet is left alone.
    void dropGroup(std::string_view id);
    // Groups not pushed yet become local ones where their names are free.
    void dropWorkspace(std::string_view id);
    // Forgets every workspace capture and group, the people, workspaces and members, the sync
    // metadata and the server's history, as dropWorkspace does; posts the store-changed
    // notification. What it deletes that the service lacks is the store's unsentChangeCount().
    void purgeAccountData();

private:
    // Takes the groups of a workspace (of every one when none is named) that wait for their
    // first push out of it, unless a local group has the name already.
    void keepUnpushedGroups(const std::optional<std::string>& workspaceID);

    CaptureStore& store_;
    Database* const db_;
};

} // namespace tavro
