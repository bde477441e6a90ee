#include "store/CaptureStore.h"

#include "model/Uuid.h"
#include "store/CaptureColumns.h"

namespace tavro {

namespace {

// The wire names of the pushed fields that differ between the stored row and its rewrite; only
// a newly set deletion time is pushed, as a deletion.
std::vector<std::string> changedFields(const Capture& stored, const Capture& next) {
    std::vector<std::string> fields;
    for (const auto& column : CaptureColumns::all())
        if (column.has(CaptureColumn::edited) && column.has(CaptureColumn::pushed) &&
            !CaptureColumns::same(column, stored, next))
            fields.emplace_back(column.wireKey);
    if (!stored.deletedAt && next.deletedAt)
        fields.emplace_back("delete");
    return fields;
}

std::string insertStatement() {
    std::string names = "id", marks = "?";
    for (const auto& column : CaptureColumns::all()) {
        names += ", " + std::string(column.column);
        marks += ",?";
    }
    return "INSERT INTO captures (" + names + ", pending) VALUES (" + marks + ",?);";
}

std::string updateStatement() {
    std::string sets;
    for (const auto& column : CaptureColumns::all())
        if (column.has(CaptureColumn::edited))
            sets += (sets.empty() ? "" : ", ") + std::string(column.column) + " = ?";
    return "UPDATE captures SET " + sets + " WHERE id = ?;";
}

} // namespace

void CaptureStore::insert(const Capture& given) {
    Capture capture = given;
    db_->transaction([&] {
        if (!capture.authorID)
            capture.authorID = currentUserID();
        if (!capture.workspaceID && !capture.localOnly)
            capture.workspaceID = defaultWorkspaceID();
        const bool shared = capture.isShared();
        if (shared) {
            capture.syncState = SyncState::pendingPush;
            capture.dirty = true;
        }
        static const std::string statement = insertStatement();
        std::vector<SQLValue> values{capture.id};
        for (const auto& column : CaptureColumns::all())
            values.push_back(CaptureColumns::bind(column, capture));
        values.push_back(shared ? SQLValue(R"({"*":true})") : SQLValue());
        db_->execute(statement, values);
        const std::string detail(capture.hasImage() ? displayName(capture.captureMode)
                                                    : "no screenshot");
        recordActivity(capture.id, "created", detail, localActor, makeUUID(), now());
        postChange();
    });
}

void CaptureStore::insert(const Capture& capture, const std::vector<std::string>& tags,
                          const std::vector<CaptureImage>& images) {
    db_->transaction([&] {
        insert(capture);
        if (!tags.empty())
            setTags(tags, capture.id);
        for (const CaptureImage& image : images)
            addImage(image);
    });
}

void CaptureStore::update(const Capture& given) {
    Capture capture = given;
    capture.updatedAt = now();
    capture.dirty = true;
    // One immediate transaction from the read to the mark: another program's write to the row
    // cannot slip in between and be lost from the pending names.
    db_->transaction([&] {
        const auto stored = rawCapture(capture.id);
        static const std::string statement = updateStatement();
        std::vector<SQLValue> values;
        for (const auto& column : CaptureColumns::all())
            if (column.has(CaptureColumn::edited))
                values.push_back(CaptureColumns::bind(column, capture));
        values.emplace_back(capture.id);
        db_->execute(statement, values);
        if (stored) {
            auto fields = changedFields(*stored, capture);
            if (!fields.empty())
                markPending("captures", capture.id, fields);
        }
        postChange();
    });
}

} // namespace tavro
