#pragma once

#include "store/DatabaseError.h"
#include "store/Row.h"
#include "store/SQLValue.h"

#include <chrono>
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
struct sqlite3_stmt;

namespace tavro {

class StatementCache;

// The one connection to a library file. Every call holds one recursive lock for its whole
// duration, and a transaction holds it from BEGIN to COMMIT or ROLLBACK, so the same thread may
// nest calls freely while other threads wait.
//
// While another program holds the library's write lock, a statement waits its turn, trying the
// lock again at random intervals (SQLite's own busy timeout backs off on a fixed schedule to
// 100 ms sleeps, so a writer that has waited a while loses to every newcomer), for at most the
// lock wait; then it fails with a busy DatabaseError.
class Database {
public:
    using Milliseconds = std::chrono::milliseconds;
    // The lock wait of every connection unless its owner sets another.
    static constexpr Milliseconds patientLockWait{30'000};
    // For a caller that would rather fail soon than wait its turn.
    static constexpr Milliseconds briefLockWait{5'000};

    // While one lives, a statement of this connection that finds the library locked by another
    // program waits at most `wait` for it (never longer than the connection's own wait), then
    // fails as busy: for work whose caller must hear of a held lock promptly. Holds the
    // connection's lock for its whole life, so no other thread's statements are limited.
    class BusyLimit {
    public:
        BusyLimit(Database& db, Milliseconds wait);
        ~BusyLimit();
        BusyLimit(const BusyLimit&) = delete;
        BusyLimit& operator=(const BusyLimit&) = delete;

    private:
        Database& db_;
        std::unique_lock<std::recursive_mutex> lock_;
        Milliseconds previous_;
    };

    // Creates the parent folder (throwing std::filesystem::filesystem_error) and opens the file
    // with WAL, foreign keys, the patient lock wait and synchronous NORMAL.
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
    // The same, waiting at most `lockWait` for the write lock instead of the connection's wait.
    // A nested call joins the outer transaction, which holds the lock already.
    template <class Body>
    auto transaction(Milliseconds lockWait, Body&& body) -> std::invoke_result_t<Body&>;

    // A deferred transaction for a run of reads (see ReadSnapshot), counted like any other: a
    // transaction begun before endRead() joins it through a savepoint, and commits with it.
    // Inside an open transaction it joins that one. Each beginRead() needs its endRead() on the
    // same thread, which holds the connection meanwhile.
    void beginRead();
    void endRead();

    // How long each statement and transaction of this connection waits for another program's
    // write lock from now on.
    void setLockWait(Milliseconds wait);
    Milliseconds lockWait() const;

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

    template <class Body>
    auto runTransaction(std::optional<Milliseconds> lockWait, Body&& body)
        -> std::invoke_result_t<Body&>;
    std::vector<std::function<void()>> beginAndRun(std::optional<Milliseconds> lockWait,
                                                   const std::function<void()>& body);
    std::int64_t run(std::string_view sql, const std::vector<SQLValue>& arguments,
                     Milliseconds wait);
    // Steps a statement. Outside a transaction, a step that found the library busy without
    // waiting (SQLite does so where waiting could deadlock) is tried again within the wait.
    int step(sqlite3_stmt* statement);
    Milliseconds currentWait() const { return depth_ > 0 ? transactionWait_ : lockWait_; }
    void startWaiting(Milliseconds wait);
    // Sleeps a short random while and says yes, or says no once the wait is over.
    bool waitAgain();
    static int onBusy(void* database, int attempt);
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
    Milliseconds lockWait_ = patientLockWait;
    Milliseconds transactionWait_ = patientLockWait; // of the open transaction
    // Of the statement now running.
    std::chrono::steady_clock::time_point waitingSince_;
    std::chrono::steady_clock::time_point giveUpAt_;
};

template <class Body> auto Database::transaction(Body&& body) -> std::invoke_result_t<Body&> {
    return runTransaction(std::nullopt, std::forward<Body>(body));
}

template <class Body>
auto Database::transaction(Milliseconds lockWait, Body&& body) -> std::invoke_result_t<Body&> {
    return runTransaction(lockWait, std::forward<Body>(body));
}

template <class Body>
auto Database::runTransaction(std::optional<Milliseconds> lockWait, Body&& body)
    -> std::invoke_result_t<Body&> {
    using Result = std::invoke_result_t<Body&>;
    if constexpr (std::is_void_v<Result>) {
        auto actions = beginAndRun(lockWait, [&] { body(); });
        runAll(actions);
    } else {
        std::optional<Result> result;
        auto actions = beginAndRun(lockWait, [&] { result.emplace(body()); });
        runAll(actions);
        return std::move(*result);
    }
}

} // namespace tavro
