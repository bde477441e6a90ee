#pragma once

#include "store/DatabaseError.h"
#include "store/Row.h"
#include "store/SQLValue.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <type_traits>
#include <vector>

struct sqlite3;

namespace tavro {

class StatementCache;

// The one connection to a library file. Every call holds one recursive lock for its whole
// duration, and a transaction holds it from BEGIN to COMMIT or ROLLBACK, so the same thread may
// nest calls freely while other threads wait.
class Database {
public:
    // How long a statement waits for a lock another connection holds, unless a BusyLimit says
    // otherwise.
    static constexpr std::chrono::milliseconds busyTimeout{5000};

    // While one lives, a statement of this connection that finds the library locked by another
    // connection waits at most `wait` for it, once, and then fails as busy: for work whose
    // caller must hear of a held lock promptly rather than after every retry. Holds the
    // connection's lock for its whole life, so no other thread's statements are limited.
    class BusyLimit {
    public:
        BusyLimit(Database& db, std::chrono::milliseconds wait);
        ~BusyLimit();
        BusyLimit(const BusyLimit&) = delete;
        BusyLimit& operator=(const BusyLimit&) = delete;

    private:
        Database& db_;
        std::unique_lock<std::recursive_mutex> lock_;
        std::chrono::milliseconds previous_;
    };

    // Creates the parent folder (throwing std::filesystem::filesystem_error) and opens the file
    // with WAL, foreign keys, a 5 s busy timeout and synchronous NORMAL.
    explicit Database(const std::filesystem::path& file);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Runs one statement once; returns the number of rows it changed.
    std::int64_t execute(std::string_view sql, const std::vector<SQLValue>& arguments = {});
    // Runs a fixed batch of statements without parameters.
    void executeRaw(const std::string& sql);
    // Runs a statement and returns every row. A failing step throws: never a shortened list.
    std::vector<Row> query(std::string_view sql, const std::vector<SQLValue>& arguments = {});

    // Runs `body` inside "BEGIN IMMEDIATE TRANSACTION;". Nested calls join the outer transaction
    // through a savepoint, so an inner failure undoes only the inner work. The body's exception
    // rolls back and propagates unchanged.
    template <class Body> auto transaction(Body&& body) -> std::invoke_result_t<Body&>;

    // Runs `action` after the outermost transaction commits (at once when none is open), with
    // the lock released; a rollback drops it. Used for the store-changed notification.
    void afterCommit(std::function<void()> action);

    bool inTransaction() const;
    const std::filesystem::path& file() const { return file_; }

    // For a connection that one thread owns: in debug builds, a statement run on any other
    // thread aborts. Cheap enough for every statement.
    void confineTo(std::thread::id owner) { owner_ = owner; }

private:
    class TransactionScope;

    std::vector<std::function<void()>> beginAndRun(const std::function<void()>& body);
    void checkThread() const;
    void setBusyWait(std::chrono::milliseconds wait);
    static void runAll(std::vector<std::function<void()>>& actions);

    struct Close {
        void operator()(sqlite3* handle) const;
    };

    std::filesystem::path file_;
    // Declared before the statements, so they are finalized before the connection closes.
    std::unique_ptr<sqlite3, Close> handle_;
    std::unique_ptr<StatementCache> statements_;
    mutable std::recursive_mutex mutex_;
    int depth_ = 0;
    std::vector<std::function<void()>> pendingActions_;
    std::thread::id owner_;
    std::chrono::milliseconds busyWait_ = busyTimeout;
};

template <class Body> auto Database::transaction(Body&& body) -> std::invoke_result_t<Body&> {
    using Result = std::invoke_result_t<Body&>;
    if constexpr (std::is_void_v<Result>) {
        auto actions = beginAndRun([&] { body(); });
        runAll(actions);
    } else {
        std::optional<Result> result;
        auto actions = beginAndRun([&] { result.emplace(body()); });
        runAll(actions);
        return std::move(*result);
    }
}

} // namespace tavro
