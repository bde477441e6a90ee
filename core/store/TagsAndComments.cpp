#include "store/CaptureStore.h"

#include "model/TagNames.h"
#include "model/Uuid.h"
#include "store/EnumColumn.h"

namespace tavro {

void CaptureStore::replaceTags(const std::vector<std::string>& names, std::string_view captureID) {
    const auto normal = normalizedTagNames(names);
    db_->transaction([&] {
        db_->execute("DELETE FROM capture_tags WHERE capture_id = ?;", {captureID});
        for (const auto& name : normal) {
            auto rows = db_->query("SELECT id FROM tags WHERE name = ?;", {name});
            std::optional<std::string> tagID;
            if (!rows.empty())
                tagID = rows.front().string("id");
            if (!tagID) {
                tagID = makeUUID();
                db_->execute("INSERT INTO tags (id, name, created_at) VALUES (?,?,?);",
                             {*tagID, name, now()});
            }
            db_->execute("INSERT OR IGNORE INTO capture_tags (capture_id, tag_id) VALUES (?,?);",
                         {captureID, *tagID});
        }
    });
}

void CaptureStore::setTags(const std::vector<std::string>& names, std::string_view captureID) {
    db_->transaction([&] {
        replaceTags(names, captureID);
        markPending("captures", captureID, {"tags"});
        postChange();
    });
}

Comment CaptureStore::decodeComment(const Row& row) {
    Comment comment;
    auto id = row.string("id");
    comment.id = id ? *id : makeUUID();
    comment.captureID = row.string("capture_id").value_or("");
    comment.author = row.string("author").value_or("unknown");
    comment.isAgent = row.boolValue("is_agent");
    comment.body = row.string("body").value_or("");
    comment.createdAt = row.date("created_at").value_or(now());
    comment.authorID = row.string("author_id");
    comment.actorLabel = row.string("actor_label");
    comment.kind = row.string("kind").value_or("comment");
    comment.syncState = enumColumn(row, "sync_state", SyncState::local);
    return comment;
}

std::vector<Comment> CaptureStore::comments(std::string_view captureID) const {
    std::vector<Comment> out;
    for (const auto& row : db_->query(
             "SELECT * FROM comments WHERE capture_id = ? ORDER BY created_at ASC;", {captureID}))
        out.push_back(decodeComment(row));
    return out;
}

void CaptureStore::addComment(Comment comment) {
    if (!comment.authorID)
        comment.authorID = currentUserID();
    if (comment.isAgent && !comment.actorLabel) {
        auto userName = currentUserName();
        comment.actorLabel = userName ? comment.author + " · " + *userName : comment.author;
    }
    db_->transaction([&] {
        auto capture = rawCapture(comment.captureID);
        if (capture && capture->isShared() && comment.syncState == SyncState::local)
            comment.syncState = SyncState::pendingPush;
        db_->execute("INSERT OR IGNORE INTO comments (id, capture_id, author, is_agent, body, "
                     "created_at, author_id, actor_label, kind, sync_state) "
                     "VALUES (?,?,?,?,?,?,?,?,?,?);",
                     {comment.id, comment.captureID, comment.author,
                      SQLValue::flag(comment.isAgent), comment.body, comment.createdAt,
                      comment.authorID, comment.actorLabel, comment.kind,
                      rawValue(comment.syncState)});
        db_->execute("UPDATE captures SET updated_at = ? WHERE id = ?;",
                     {now(), comment.captureID});
        postChange();
    });
}

} // namespace tavro
