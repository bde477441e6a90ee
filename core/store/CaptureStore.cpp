#include "store/CaptureStore.h"

#include "model/Paths.h"
#include "store/Schema.h"

#include <charconv>
#include <cmath>

namespace tavro {

namespace {

bool sameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    return a.lexically_normal() == b.lexically_normal();
}

// The shortest text that reads back to the same double, always with a decimal point.
std::string stampNumber(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    if (std::isfinite(value) && text.find_first_of(".e") == std::string::npos)
        text += ".0";
    return text;
}

} // namespace

CaptureStore::CaptureStore(const std::filesystem::path& url,
                           std::shared_ptr<StoreChangeNotifier> notifier)
    : notifier_(notifier ? std::move(notifier) : std::make_shared<NullStoreChangeNotifier>()) {
    if (sameFile(url, TavroPaths::databaseURL()))
        legacyMove_ = TavroPaths::migrateLegacyLibraryIfNeeded();
    TavroPaths::ensureDirectories();
    db_ = std::make_shared<Database>(url);
    Schema::migrate(*db_);
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

std::string CaptureStore::changeStamp() const {
    auto rows = db_->query("SELECT (SELECT COUNT(*) FROM captures) AS c, "
                           "(SELECT COALESCE(MAX(updated_at), 0) FROM captures) AS m, "
                           "(SELECT COUNT(*) FROM comments) AS k, "
                           "(SELECT COALESCE(MAX(created_at), 0) FROM comments) AS n;");
    std::int64_t c = 0, k = 0;
    double m = 0, n = 0;
    if (!rows.empty()) {
        const auto& row = rows.front();
        c = row.intValue("c").value_or(0);
        m = row.doubleValue("m").value_or(0);
        k = row.intValue("k").value_or(0);
        n = row.doubleValue("n").value_or(0);
    }
    return std::to_string(c) + "-" + stampNumber(m) + "-" + std::to_string(k) + "-" +
           stampNumber(n);
}

void CaptureStore::postChange() const {
    db_->afterCommit([notifier = notifier_] { notifier->post(); });
}

} // namespace tavro
