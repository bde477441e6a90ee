#include "store/StatementCache.h"

#include "store/DatabaseError.h"

#include <algorithm>
#include <sqlite3.h>

namespace tavro {

StatementCache::StatementCache(sqlite3* handle, std::size_t capacity)
    : handle_(handle)
    , capacity_(std::max<std::size_t>(capacity, 1)) {}

StatementCache::~StatementCache() {
    for (auto& [sql, entry] : statements_)
        sqlite3_finalize(entry.statement);
}

StatementCache::Lease::~Lease() {
    cache_.giveBack(std::move(sql_), statement_);
}

StatementCache::Lease StatementCache::take(std::string_view sql) {
    std::string key(sql);
    // Taken out while in use: a run of the same text meanwhile compiles a copy of its own.
    if (auto found = statements_.find(key); found != statements_.end()) {
        sqlite3_stmt* statement = found->second.statement;
        statements_.erase(found);
        return Lease(*this, std::move(key), statement);
    }
    sqlite3_stmt* statement = nullptr;
    const int rc =
        handle_ ? sqlite3_prepare_v2(handle_, sql.data(), int(sql.size()), &statement, nullptr)
                : SQLITE_MISUSE;
    if (rc != SQLITE_OK || !statement) {
        sqlite3_finalize(statement);
        throw DatabaseError::prepareFailed(handle_ ? sqlite3_errmsg(handle_) : "no database handle",
                                           std::move(key));
    }
    return Lease(*this, std::move(key), statement);
}

void StatementCache::giveBack(std::string sql, sqlite3_stmt* statement) {
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (statements_.count(sql)) {
        sqlite3_finalize(statement);
        return;
    }
    if (statements_.size() >= capacity_) {
        auto oldest = std::min_element(
            statements_.begin(), statements_.end(),
            [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
        sqlite3_finalize(oldest->second.statement);
        statements_.erase(oldest);
    }
    statements_.emplace(std::move(sql), Entry{statement, ++clock_});
}

} // namespace tavro
