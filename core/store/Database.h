#pragma once

#include "store/DatabaseError.h"
#include "store/Row.h"
#include "store/SQLValue.h"

#include <cstdint>
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
    // How many statements the calling thread has run through any connection, the pragmas of
    // opening one included: for tests that show a thread never touches the database.
    static std::uint64_t statementsOnThisThread();

private:
    class TransactionScope;

    std::vector<std::function<void()>> beginAndRun(const std::function<void()>& body);
    void checkThread() const;
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
