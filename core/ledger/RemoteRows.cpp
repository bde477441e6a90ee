#include "ledger/SyncLedger.h"

#include "ledger/LocalPending.h"
#include "model/Text.h"
#include "model/Wire.h"
#include "store/ServerRow.h"

namespace tavro {

namespace {

using nlohmann::json;

std::optional<std::string> wireText(const json& row, std::string_view key) {
    return Wire::str(Wire::field(row, key));
}

// A name another computer wrote, on the one line every view gives it.
std::optional<std::string> wireName(const json& row, std::string_view key) {
    auto name = wireText(row, key);
    return name ? std::optional(text::singleLine(*name)) : std::nullopt;
}

} // namespace

void SyncLedger::applyRemoteGroup(const json& row) {
    auto id = ServerRow::text(row, "id");
    auto name = ServerRow::text(row, "name");
    if (!id || !name)
        return;
    name = text::singleLine(*name);
    if (auto why = ServerRow::refusal(row, {"id"}, {"workspace_id"})) {
        log("warn", "Skipped a groups row: " + *why);
        return;
    }
    db_->transaction([&] {
        if (Wire::date(Wire::field(row, "deleted_at"))) {
            db_->execute("DELETE FROM groups WHERE id = ?;", {*id});
            return;
        }
        auto local = db_->query("SELECT sync_state, pending FROM groups WHERE id = ?;", {*id});
        const auto workspace = wireText(row, "workspace_id");
        const auto visibility = ServerRow::textOr(row, "visibility", "private");
        const auto createdBy = wireText(row, "created_by");
        const auto assignee = wireText(row, "default_assignee_id");
        const auto version = Wire::integer(Wire::field(row, "version"));
        const auto updatedAt = ServerRow::dateOr(row, "updated_at", now());
        const auto color = ServerRow::textOr(row, "color_hex", "#6E7BF2");
        const auto archivedAt = Wire::date(Wire::field(row, "archived_at"));
        if (local.empty()) {
            db_->execute("INSERT INTO groups (id, name, color_hex, path, created_at, updated_at, "
                         "sync_state, dirty, workspace_id, visibility, created_by, "
                         "default_assignee_id, archived_at, version) "
                         "VALUES (?,?,?,NULL,?,?,'synced',0,?,?,?,?,?,?);",
                         {*id, *name, color, ServerRow::dateOr(row, "created_at", now()), updatedAt,
                          workspace, visibility, createdBy, assignee, SQLValue::date(archivedAt),
                          version});
            return;
        }
        const auto pending = localPendingFields(local.front());
        std::string sql = "UPDATE groups SET workspace_id = ?, visibility = ?, created_by = ?, "
                          "default_assignee_id = ?, version = ?, updated_at = ?";
        std::vector<SQLValue> values = {workspace, visibility, createdBy,
                                        assignee,  version,    updatedAt};
        if (!pending.count("name")) {
            sql += ", name = ?";
            values.emplace_back(*name);
        }
        if (!pending.count("color_hex")) {
            sql += ", color_hex = ?";
            values.emplace_back(color);
        }
        if (!pending.count("archived_at")) {
            sql += ", archived_at = ?";
            values.push_back(SQLValue::date(archivedAt));
        }
        if (pending.empty())
            sql += ", sync_state = 'synced', pending = NULL";
        sql += " WHERE id = ?;";
        values.emplace_back(*id);
        db_->execute(sql, values);
    });
}

void SyncLedger::applyRemoteGroupMember(const json& row) {
    auto groupID = ServerRow::text(row, "group_id");
    auto userID = ServerRow::text(row, "user_id");
    if (!groupID || !userID)
        return;
    auto why = ServerRow::refusal(row, {"group_id"});
    if (!why)
        why = ServerRow::personRefusal(row, "user_id");
    if (why) {
        log("warn", "Skipped a group_members row: " + *why);
        return;
    }
    db_->execute("INSERT OR REPLACE INTO group_members (group_id, user_id, removed_at) "
                 "VALUES (?,?,?);",
                 {*groupID, *userID, SQLValue::date(Wire::date(Wire::field(row, "removed_at")))});
}

void SyncLedger::applyRemotePerson(const json& row) {
    auto id = ServerRow::text(row, "id");
    if (!id)
        return;
    if (auto why = ServerRow::personRefusal(row, "id")) {
        log("warn", "Skipped a people row: " + *why);
        return;
    }
    auto image = wireText(row, "image");
    if (!image)
        image = wireText(row, "image_url");
    upsertPerson({*id, ServerRow::textOr(row, "name", "Someone"), wireText(row, "email"), image,
                  ServerRow::textOr(row, "kind", "person")});
}

void SyncLedger::applyRemoteComment(const json& row) {
    auto id = ServerRow::text(row, "id");
    auto captureID = ServerRow::text(row, "capture_id");
    if (!id || !captureID)
        return;
    if (auto why = ServerRow::refusal(row, {"id", "capture_id"})) {
        log("warn", "Skipped a comments row: " + *why);
        return;
    }
    db_->transaction([&] {
        if (Wire::date(Wire::field(row, "deleted_at"))) {
            db_->execute("DELETE FROM comments WHERE id = ?;", {*id});
            return;
        }
        const auto authorID = wireText(row, "author_id");
        const auto label = wireName(row, "actor_label");
        const auto name = authorID ? store_.personName(*authorID) : std::nullopt;
        const auto kind = ServerRow::textOr(row, "kind", "comment");
        const bool mine =
            authorID && authorID == store_.currentUserID() && (!label || label == name);
        const std::string author = mine    ? std::string(localActor)
                                   : label ? *label
                                   : name  ? *name
                                           : "someone";
        const bool isAgent = kind != "conflict" && label && label != name;
        db_->execute("INSERT INTO comments (id, capture_id, author, is_agent, body, created_at, "
                     "author_id, actor_label, kind, sync_state) VALUES (?,?,?,?,?,?,?,?,?,"
                     "'synced') ON CONFLICT(id) DO UPDATE SET body = excluded.body, "
                     "actor_label = excluded.actor_label, kind = excluded.kind, "
                     "author = excluded.author, is_agent = excluded.is_agent, "
                     "sync_state = 'synced';",
                     {*id, *captureID, author, SQLValue::flag(isAgent),
                      ServerRow::textOr(row, "body", ""),
                      ServerRow::dateOr(row, "created_at", now()), authorID, label, kind});
    });
}

void SyncLedger::applyRemoteActivity(const json& row) {
    auto id = ServerRow::text(row, "id");
    auto captureID = ServerRow::text(row, "capture_id");
    auto kind = ServerRow::text(row, "kind");
    if (!id || !captureID || !kind)
        return;
    if (auto why = ServerRow::refusal(row, {"id", "capture_id"})) {
        log("warn", "Skipped an activity row: " + *why);
        return;
    }
    db_->transaction([&] {
        const Seconds at = ServerRow::dateOr(row, "created_at", now());
        // The same event recorded here a moment ago is already in the history.
        if (!db_->query("SELECT 1 AS one FROM activity WHERE capture_id = ? AND kind = ? AND "
                        "remote = 0 AND ABS(created_at - ?) < 90 LIMIT 1;",
                        {*captureID, *kind, at})
                 .empty())
            return;
        const auto actorID = wireText(row, "actor_id");
        const auto label = wireName(row, "actor_label");
        const auto name = actorID ? store_.personName(*actorID) : std::nullopt;
        std::string actor = label ? *label : name ? *name : "someone";
        if (actorID && actorID == store_.currentUserID()) {
            if (auto userName = store_.currentUserName(); userName && *userName == actor)
                actor = localActor;
        }
        const auto detail =
            Wire::summarize(*kind, Wire::field(row, "detail"), [this](std::string_view personID) {
                try {
                    return store_.personName(personID);
                } catch (const DatabaseError&) {
                    // The summary then names no one; the event itself is still worth keeping.
                    return std::optional<std::string>();
                }
            });
        // The column holds text: an event without a summary keeps an empty one.
        db_->execute("INSERT OR IGNORE INTO activity (id, capture_id, kind, detail, actor, "
                     "created_at, actor_id, remote) VALUES (?,?,?,?,?,?,?,?);",
                     {*id, *captureID, *kind, detail.value_or(""), actor, at, actorID, 1});
    });
}

} // namespace tavro
