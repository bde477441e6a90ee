#include "store/CaptureStore.h"

#include "model/Paths.h"
#include "store/ChangeCounter.h"
#include "store/Schema.h"

namespace tavro {

namespace {

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    return a.lexically_normal() == b.lexically_normal();
}

} // namespace

CaptureStore::CaptureStore(const std::filesystem::path& databaseFile,
                           std::shared_ptr<StoreChangeNotifier> notifier)
    : notifier_(notifier ? std::move(notifier) : std::make_shared<NullStoreChangeNotifier>()) {
    if (sameFile(databaseFile, TavroPaths::databasePath()))
        legacyMove_ = TavroPaths::migrateLegacyLibraryIfNeeded();
    TavroPaths::ensureDirectories();
    db_ = std::make_shared<Database>(databaseFile);
    Schema::migrate(*db_);
    Schema::addLateTables(*db_);
    ChangeCounter::install(*db_);
}

std::optional<std::string> CaptureStore::syncMeta(std::string_view key) const {
    auto rows = db_->query("SELECT value FROM sync_meta WHERE key = ?;", {key});
    if (rows.empty())
        return std::nullopt;
    return rows.front().string("value");
}

void CaptureStore::setSyncMeta(std::string_view key, const std::optional<std::string>& value) {
    if (value)
        db_->execute("INSERT OR REPLACE INTO sync_meta (key, value) VALUES (?, ?);", {key, *value});
    else
        db_->execute("DELETE FROM sync_meta WHERE key = ?;", {key});
}

std::optional<std::string> CaptureStore::syncMetaOrNothing(std::string_view key) const {
    try {
        return syncMeta(key);
    } catch (const DatabaseError&) {
        // The writers treat an unreadable value as not signed in, which only keeps data local.
        return std::nullopt;
    }
}

std::optional<std::string> CaptureStore::currentUserID() const {
    return syncMetaOrNothing("user_id");
}

std::optional<std::string> CaptureStore::currentUserName() const {
    return syncMetaOrNothing("user_name");
}

std::optional<std::string> CaptureStore::defaultWorkspaceID() const {
    return syncMetaOrNothing("default_workspace_id");
}

std::int64_t CaptureStore::changeCounter() const {
    return ChangeCounter::read(*db_);
}

std::optional<ChangeCounter::Changes> CaptureStore::changesSince(std::int64_t counter) const {
    return ChangeCounter::since(*db_, counter);
}

void CaptureStore::postChange() const {
    db_->afterCommit([notifier = notifier_] { notifier->post(); });
}

} // namespace tavro
