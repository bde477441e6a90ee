#pragma once

#include "model/BoardRecords.h"
#include "model/Capture.h"
#include "model/CaptureGroup.h"
#include "model/CaptureImage.h"
#include "model/CaptureQuery.h"
#include "model/Paths.h"
#include "platform/StoreChangeNotifier.h"
#include "store/ChangeCounter.h"
#include "store/Database.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tavro {

// The way into the board's data for both programs. Every operation runs synchronously on the
// caller's thread through the one Database the store owns.
class CaptureStore {
public:
    static constexpr std::string_view didChangeNotification = "dev.tavro.store.didChange";

    // Opens (and for the default location first moves a former library into place), creates
    // the folders and migrates. Throws DatabaseError or std::filesystem::filesystem_error.
    // `notifier` carries the store-changed notification to other programs.
    CaptureStore(const std::filesystem::path& databaseFile,
                 std::shared_ptr<StoreChangeNotifier> notifier);
    CaptureStore(const CaptureStore&) = delete;
    CaptureStore& operator=(const CaptureStore&) = delete;

    Database& db() const { return *db_; }
    // What opening did with the former product's library (none for any other location).
    TavroPaths::LegacyMove legacyMove() const { return legacyMove_; }

    std::optional<std::string> syncMeta(std::string_view key) const;
    void setSyncMeta(std::string_view key, const std::optional<std::string>& value);

    // The sync_meta values the writers use; a failed read counts as absent.
    std::optional<std::string> currentUserID() const;
    std::optional<std::string> currentUserName() const;
    std::optional<std::string> defaultWorkspaceID() const;

    // The counter moves whenever any program committed a change to a table the board shows
    // (captures, screenshots, groups and members, tags, comments, activity, people, workspaces,
    // the signed-in user); compare counters of one library only. The change log says what moved
    // after a value of it (nothing when the log cannot say).
    std::int64_t changeCounter() const;
    std::optional<ChangeCounter::Changes> changesSince(std::int64_t counter) const;

    // Posts the store-changed notification once the current transaction (if any) commits.
    void postChange() const;

    // Capture rows. Decoding never fails: missing or foreign values take fixed defaults.
    static Capture decodeCapture(const Row& row);
    // The live capture with exactly this id.
    std::optional<Capture> capture(std::string_view id) const;
    // The capture row whether soft-deleted or not.
    std::optional<Capture> rawCapture(std::string_view id) const;

    // Adds wire field names to a shared row's pending mark ("captures", "groups" or
    // "capture_images"; any other table is ignored) and moves it to pendingPush, in one
    // statement. A row that is not shared is left exactly as it was.
    void markPending(std::string_view table, std::string_view id,
                     const std::vector<std::string>& fields);

    // Writes one history event; an event id that exists already leaves the stored row as it is.
    // A local event without an actor id takes the signed-in user's.
    void recordActivity(const std::optional<std::string>& captureID, std::string_view kind,
                        std::string_view detail, std::string_view actor, std::string_view id,
                        Seconds createdAt, const std::optional<std::string>& actorID = {},
                        bool remote = false);

    // Board queries: reads only, nothing posted. Soft-deleted captures are never listed.

    // A full id, or the beginning of one (ASCII letter case ignored) that names exactly one live
    // capture. "%", "_" and a backslash in the reference are plain characters.
    std::optional<std::string> resolveCaptureID(std::string_view reference) const;
    // Live captures through the filter, high priority first, then by creation time.
    std::vector<Capture> captures(const CaptureQuery& query) const;
    // Live captures outside any workspace, newest first.
    std::vector<Capture> localCaptures() const;
    // Live captures per status; statuses without any are left out.
    std::map<CaptureStatus, std::int64_t> countsByStatus() const;
    // How many live captures pass the query's filter; its order, limit and offset are ignored.
    std::int64_t countCaptures(const CaptureQuery& query) const;
    // The ids of the `count` newest live captures, newest first and by id within a moment.
    std::vector<std::string> newestCaptureIDs(std::int64_t count) const;
    // Live screenshots per capture id (deleted captures included); deleted screenshots are not
    // counted.
    std::unordered_map<std::string, std::int64_t> imageCounts() const;
    std::unordered_map<std::string, std::int64_t> commentCounts() const;
    // Tag names of one capture, ordered without regard to ASCII letter case.
    std::vector<std::string> tags(std::string_view captureID) const;
    // tags() of every live capture that has any, read in one query.
    std::unordered_map<std::string, std::vector<std::string>> tagsByCapture() const;
    // Every tag name that a live capture carries, once each.
    std::vector<std::string> allTags() const;
    // How many live captures carry each tag name.
    std::map<std::string, std::int64_t> tagUses() const;
    // Live captures with what the board shows beside them, in no particular order: those of
    // `ids` (ids of no live capture are left out), or every one when none are given.
    struct BoardRows {
        std::vector<Capture> captures;
        std::unordered_map<std::string, std::vector<std::string>> tags;
        std::unordered_map<std::string, std::int64_t> comments;
        std::unordered_map<std::string, std::int64_t> images;
    };
    BoardRows boardRows(const std::set<std::string>* ids = nullptr) const;
    // `captures`, read already, with what the board shows beside them: one query for the tags of
    // them all, one for their comments and one for their screenshots, not one each.
    BoardRows boardRows(std::vector<Capture> captures) const;
    // Every live capture, in no particular order, handed to `each` as it is decoded: no more
    // than a page of raw rows is held at once, and no list of them all.
    void forEachLiveCapture(const std::function<void(Capture&&)>& each) const;
    // A capture's history, oldest first.
    std::vector<ActivityEvent> activity(std::string_view captureID) const;
    static ActivityEvent decodeActivity(const Row& row);

    // Capture writes: each posts the store-changed notification once.

    // Stores a new capture with its "created" event, in one transaction. Without a workspace
    // and not local-only it joins the default workspace; a shared capture starts pendingPush
    // with the whole row pending. The author defaults to the signed-in user.
    void insert(const Capture& capture);
    // A new capture with its tags and screenshots, all in one transaction: a failure part-way
    // leaves no half-saved capture, so the same capture can be saved again.
    void insert(const Capture& capture, const std::vector<std::string>& tags,
                const std::vector<CaptureImage>& images);
    // Rewrites the capture's editable columns, bumps updated_at and, on a shared row, marks the
    // fields that differ from the stored row. The read and the writes share one transaction; a
    // caller that read the record itself wraps that read and this call in db().transaction()
    // so that no other program's change between them is overwritten.
    void update(const Capture& capture);

    // Workflow: each reads the live capture, changes it, rewrites it with update(), records one
    // history event and returns the capture as stored, all in one transaction; nothing (and no
    // write) when no live capture has the id. setStatus, claim and resolve post the
    // notification twice, assign once.

    std::optional<Capture> setStatus(std::string_view id, CaptureStatus status,
                                     std::string_view actor);
    // Takes the capture for `by`: open becomes in progress, a missing assignee becomes the
    // signed-in user; any earlier claim is replaced.
    std::optional<Capture> claim(std::string_view id, std::string_view by);
    // An absent assignee clears the assignment.
    std::optional<Capture> assign(std::string_view id, const std::optional<std::string>& assigneeID,
                                  std::string_view actor);
    // An absent reference clears an earlier one; the claim and the assignee stay.
    std::optional<Capture> resolve(std::string_view id, const std::optional<std::string>& reference,
                                   std::string_view actor);

    // Screenshots. The live screenshot with the lowest position is the capture's cover, copied
    // into the capture row's image columns.
    static CaptureImage decodeImage(const Row& row);
    // How much of each mark-up a read carries: all of it, or only its start (a little over
    // CaptureImage::decodedMarkupBytes), enough for hasAnnotations() but not for decoding, for
    // readers that only say "marked up".
    enum class MarkupRead { whole, head };
    // The capture's live screenshots by position, the older first on a tie.
    std::vector<CaptureImage> images(std::string_view captureID,
                                     MarkupRead markup = MarkupRead::whole) const;
    std::optional<CaptureImage> image(std::string_view id) const;
    // A negative position appends after every row of the capture, tombstones included. Returns
    // the record as stored. Both writes refuse (DatabaseError::Code::refused) a mark-up over
    // Annotation::maxEncodedBytes.
    CaptureImage addImage(CaptureImage image);
    // Adds the screenshot and, when its capture is a text capture, gives the capture `mode`, in
    // one transaction.
    CaptureImage addImage(CaptureImage image, CaptureMode mode);
    // Rewrites position, paths, size and mark-up.
    void updateImage(const CaptureImage& image);
    // Deletes a local screenshot outright and tombstones a shared one, renumbers the rest from
    // 0 and removes its files once that has committed. False when no live screenshot has the id.
    bool deleteImage(std::string_view id);
    void refreshCover(std::string_view captureID);
    void setCaptureMode(CaptureMode mode, std::string_view captureID);

    // Groups. Live groups have no deletion time; listed ones are live and not archived.
    static CaptureGroup decodeGroup(const Row& row);
    std::vector<CaptureGroup> groups() const;
    // The live group with this id, archived or not.
    std::optional<CaptureGroup> group(std::string_view id) const;
    // The listed group of that name (ASCII case ignored) in that workspace; no workspace finds
    // only local groups.
    std::optional<CaptureGroup> groupNamed(std::string_view name,
                                           const std::optional<std::string>& workspaceID) const;
    // The same for a group that is archived, and so keeps its name from new groups.
    std::optional<CaptureGroup>
    archivedGroupNamed(std::string_view name, const std::optional<std::string>& workspaceID) const;
    // The first listed group whose bound folder is the path or holds it.
    std::optional<CaptureGroup> groupMatchingPath(std::string_view path) const;
    // Creates or rewrites the group; when another listed group of the workspace already has the
    // name, returns that one and writes nothing.
    CaptureGroup upsertGroup(const CaptureGroup& group);
    // Archives a shared group, soft-deletes any other. Its captures keep the group id.
    void deleteGroup(std::string_view id);

    // Tags: replaced as a whole set of normalised names (see normalizedTagNames).
    void setTags(const std::vector<std::string>& names, std::string_view captureID);
    // The same without a pending mark or notification, for rows the server sends.
    void replaceTags(const std::vector<std::string>& names, std::string_view captureID);

    // Comments, oldest first.
    static Comment decodeComment(const Row& row);
    std::vector<Comment> comments(std::string_view captureID) const;
    // Stores the comment once (a known id is left as it is) and bumps the capture's update time.
    void addComment(Comment comment);

    // Soft-deletes the capture and, once that has committed, removes its image files.
    void softDelete(std::string_view id);
    // Moves a live capture with its live screenshots, local comments and local group into a
    // workspace, each to be pushed whole.
    void adopt(std::string_view captureID, std::string_view workspaceID);

    // What sync fills in for the board and the account pane to read: people, workspaces and
    // the sync log (see SyncLedger for the writes).

    struct SyncLogLine {
        std::int64_t id = 0;
        Seconds at = 0;
        std::string level;
        std::string message;

        bool operator==(const SyncLogLine&) const = default;
    };

    static Person decodePerson(const Row& row);
    static Workspace decodeWorkspace(const Row& row);
    std::vector<Person> people() const;
    std::optional<Person> person(std::string_view id) const;
    std::optional<std::string> personName(std::string_view id) const;
    // Everyone, people before bots, each by name in the user's language ignoring case.
    std::vector<Person> assignableCandidates() const;
    std::vector<Workspace> workspaces() const;
    // Newest first.
    std::vector<SyncLogLine> syncLog(std::int64_t limit) const;

    // The changes made here that the service does not have and that the ledger's purgeAccountData()
    // would delete: edits and deletions of shared captures, groups and screenshots still waiting to
    // be pushed, and the screenshots and comments of shared captures that never reached the
    // service. Captures still waiting for their first push are not counted: signing out keeps
    // them as local ones, with their screenshots and comments; so are new groups, unless a
    // local group has the name already and the new one is deleted.
    std::int64_t unsentChangeCount() const;

private:
    void touch(std::string_view captureID);
    std::optional<std::string> syncMetaOrNothing(std::string_view key) const;
    std::optional<CaptureGroup> liveGroupNamed(std::string_view name,
                                               const std::optional<std::string>& workspaceID,
                                               bool archived) const;

    std::shared_ptr<StoreChangeNotifier> notifier_;
    std::shared_ptr<Database> db_;
    TavroPaths::LegacyMove legacyMove_ = TavroPaths::LegacyMove::none;
};

} // namespace tavro
