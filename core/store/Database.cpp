#include "store/Database.h"

#include "model/Paths.h"
#include "model/Text.h"
#include "store/StatementCache.h"

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <random>
#include <sqlite3.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace tavro {

namespace {

std::string errorMessage(sqlite3* handle) {
    return handle ? sqlite3_errmsg(handle) : "no database handle";
}

void bind(sqlite3_stmt* statement, const std::vector<SQLValue>& arguments) {
    int index = 1;
    for (const auto& argument : arguments) {
        std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::int64_t>)
                    sqlite3_bind_int64(statement, index, value);
                else if constexpr (std::is_same_v<T, double>)
                    sqlite3_bind_double(statement, index, value);
                else if constexpr (std::is_same_v<T, std::string>)
                    sqlite3_bind_text64(statement, index, value.data(), value.size(),
                                        SQLITE_TRANSIENT, SQLITE_UTF8);
                else if constexpr (std::is_same_v<T, Blob>)
                    sqlite3_bind_blob(statement, index, value.data(), int(value.size()),
                                      SQLITE_TRANSIENT);
                else
                    sqlite3_bind_null(statement, index);
            },
            argument.storage());
        ++index;
    }
}

SQLValue readColumn(sqlite3_stmt* statement, int column) {
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        return SQLValue(std::int64_t(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return SQLValue(sqlite3_column_double(statement, column));
    case SQLITE_TEXT: {
        auto text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
        if (!text)
            return SQLValue();
        // Whole, U+0000 included, as it was bound; ill-formed UTF-8 from another writer becomes
        // U+FFFD.
        const auto length = size_t(sqlite3_column_bytes(statement, column));
        return SQLValue(text::validUTF8(std::string_view(text, length)));
    }
    case SQLITE_BLOB: {
        auto bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, column));
        int count = sqlite3_column_bytes(statement, column);
        if (!bytes || count <= 0)
            return SQLValue(Blob{});
        return SQLValue(Blob(bytes, bytes + count));
    }
    default:
        return SQLValue();
    }
}

// Between two tries of the write lock: random, so that the lock, once free, is as likely to go
// to any waiter; short at first, so that a lock held for a moment costs a moment; longer, up to
// 40 ms, once the wait has gone on, so that a hundred waiters waking to try it do not keep the
// one that holds it from the processor.
std::chrono::microseconds retryPause(std::chrono::steady_clock::duration waited) {
    using std::chrono::microseconds;
    const auto longest = std::clamp(std::chrono::duration_cast<microseconds>(waited),
                                    microseconds(2000), microseconds(40000));
    thread_local std::minstd_rand random{std::random_device{}()};
    return microseconds(std::uniform_int_distribution<std::int64_t>(500, longest.count())(random));
}

// SQLite gives the -wal and -shm files the database file's mode, so a database made private before
// SQLite first opens it keeps all three private; an older library's files are closed here.
void makePrivate(const std::filesystem::path& file) {
    const int fd =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, TavroPaths::privateFileMode);
    if (fd >= 0) {
        ::close(fd);
        return;
    }
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        TavroPaths::tightenToOwner(file.string() + suffix);
}

} // namespace

Database::Database(const std::filesystem::path& file)
    : file_(file) {
    TavroPaths::ensureParentDirectory(file);
    makePrivate(file);
    sqlite3* opened = nullptr;
    int rc = sqlite3_open_v2(file.c_str(), &opened,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                             nullptr);
    handle_.reset(opened);
    if (rc != SQLITE_OK || !handle_)
        throw DatabaseError::openFailed(handle_ ? sqlite3_errmsg(handle_.get()) : "unknown error",
                                        handle_ ? sqlite3_extended_errcode(handle_.get()) : rc);
    statements_ = std::make_unique<StatementCache>(handle_.get());
    // The busy handler comes before anything that takes a lock: two programs opening a new
    // library at the same moment must wait for each other, not fail with "database is locked".
    sqlite3_busy_handler(handle_.get(), &Database::onBusy, this);
    // Switching a new file to WAL needs the exclusive lock. When two programs each hold the
    // shared lock and both want it, SQLite answers "busy" at once rather than deadlock, without
    // calling the busy handler, so the loser waits here and tries again (by then the file is
    // usually WAL already).
    const char* wal = "PRAGMA journal_mode = WAL;";
    startWaiting(lockWait_);
    while ((rc = sqlite3_exec(handle_.get(), wal, nullptr, nullptr, nullptr)) != SQLITE_OK &&
           (rc & 0xff) == SQLITE_BUSY && waitAgain()) {
    }
    if (rc != SQLITE_OK)
        throw DatabaseError::stepFailed(errorMessage(handle_.get()), wal,
                                        sqlite3_extended_errcode(handle_.get()));
    for (const char* pragma : {"PRAGMA foreign_keys = ON;", "PRAGMA synchronous = NORMAL;"})
        executeRaw(pragma);
}

Database::~Database() = default;

void Database::Close::operator()(sqlite3* handle) const {
    sqlite3_close_v2(handle);
}

std::int64_t Database::execute(std::string_view sql, const std::vector<SQLValue>& arguments) {
    checkThread();
    std::lock_guard lock(mutex_);
    return run(sql, arguments, currentWait());
}

std::int64_t Database::run(std::string_view sql, const std::vector<SQLValue>& arguments,
                           Milliseconds wait) {
    auto statement = statements_->take(sql);
    bind(statement.get(), arguments);
    startWaiting(wait);
    int rc = step(statement.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw DatabaseError::stepFailed(errorMessage(handle_.get()), std::string(sql),
                                        sqlite3_extended_errcode(handle_.get()));
    return sqlite3_changes64(handle_.get());
}

int Database::step(sqlite3_stmt* statement) {
    for (;;) {
        const int rc = sqlite3_step(statement);
        // Inside a transaction the failed statement is undone but the transaction is not: the
        // body sees the error.
        if ((rc & 0xff) != SQLITE_BUSY || depth_ > 0 || !waitAgain())
            return rc;
        sqlite3_reset(statement);
    }
}

void Database::startWaiting(Milliseconds wait) {
    waitingSince_ = std::chrono::steady_clock::now();
    giveUpAt_ = waitingSince_ + wait;
}

bool Database::waitAgain() {
    const auto now = std::chrono::steady_clock::now();
    const auto left = giveUpAt_ - now;
    if (left <= decltype(left)::zero())
        return false;
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(left, retryPause(now - waitingSince_)));
    return true;
}

int Database::onBusy(void* database, int) {
    return static_cast<Database*>(database)->waitAgain() ? 1 : 0;
}

void Database::setLockWait(Milliseconds wait) {
    std::lock_guard lock(mutex_);
    lockWait_ = wait;
}

Database::Milliseconds Database::lockWait() const {
    std::lock_guard lock(mutex_);
    return lockWait_;
}

Database::BusyLimit::BusyLimit(Database& db, Milliseconds wait)
    : db_(db)
    , lock_(db.mutex_)
    , previous_(db.lockWait_) {
    db_.lockWait_ = std::min(wait, previous_);
}

Database::BusyLimit::~BusyLimit() {
    db_.lockWait_ = previous_;
}

void Database::executeRaw(const std::string& sql) {
    checkThread();
    std::lock_guard lock(mutex_);
    if (!handle_)
        throw DatabaseError::stepFailed("no database handle", sql);
    startWaiting(currentWait());
    char* error = nullptr;
    int rc = sqlite3_exec(handle_.get(), sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error ? error : errorMessage(handle_.get());
        sqlite3_free(error);
        throw DatabaseError::stepFailed(message, sql, sqlite3_extended_errcode(handle_.get()));
    }
}

std::vector<Row> Database::query(std::string_view sql, const std::vector<SQLValue>& arguments) {
    checkThread();
    std::lock_guard lock(mutex_);
    auto statement = statements_->take(sql);
    bind(statement.get(), arguments);
    // The columns are read once the first step ran: a kept statement over a table whose shape
    // changed since is compiled again by that step.
    int count = 0;
    std::shared_ptr<const std::vector<std::string>> shared;
    std::vector<Row> rows;
    startWaiting(currentWait());
    int rc;
    for (;;) {
        while ((rc = sqlite3_step(statement.get())) == SQLITE_ROW) {
            if (!shared) {
                count = sqlite3_column_count(statement.get());
                auto columns = std::make_shared<std::vector<std::string>>();
                columns->reserve(size_t(count));
                for (int i = 0; i < count; ++i) {
                    const char* name = sqlite3_column_name(statement.get(), i);
                    columns->emplace_back(name ? name : "");
                }
                shared = std::move(columns);
            }
            std::vector<SQLValue> values;
            values.reserve(size_t(count));
            for (int i = 0; i < count; ++i)
                values.push_back(readColumn(statement.get(), i));
            rows.emplace_back(shared, std::move(values));
        }
        // Read whole again from the start, as with a statement that is stepped once.
        if ((rc & 0xff) != SQLITE_BUSY || depth_ > 0 || !waitAgain())
            break;
        sqlite3_reset(statement.get());
        rows.clear();
    }
    if (rc != SQLITE_DONE)
        throw DatabaseError::stepFailed(errorMessage(handle_.get()), std::string(sql),
                                        sqlite3_extended_errcode(handle_.get()));
    return rows;
}

// Begins (or, nested, joins through a savepoint) on construction; undoes on destruction unless
// commit() finished. Must be used with the database's lock held. Its statements are kept
// compiled: a savepoint around each of many small writes would otherwise cost more to compile
// than the write.
class Database::TransactionScope {
public:
    explicit TransactionScope(Database& db)
        : db_(db)
        , level_(db.depth_)
        , actionsAtStart_(db.pendingActions_.size()) {
        if (level_ == 0)
            db_.run("BEGIN IMMEDIATE TRANSACTION;", {}, db_.transactionWait_);
        else
            db_.execute(savepoint("SAVEPOINT"));
        ++db_.depth_;
    }

    ~TransactionScope() {
        if (finished_)
            return;
        --db_.depth_;
        try {
            if (level_ == 0) {
                db_.execute("ROLLBACK;");
            } else {
                db_.execute(savepoint("ROLLBACK TO"));
                db_.execute(savepoint("RELEASE"));
            }
        } catch (const DatabaseError&) {
            // A failed rollback leaves nothing more to undo here; the body's error matters.
        }
        db_.pendingActions_.resize(actionsAtStart_);
    }

    std::vector<std::function<void()>> commit() {
        db_.execute(level_ == 0 ? "COMMIT;" : savepoint("RELEASE"));
        finished_ = true;
        --db_.depth_;
        if (level_ != 0)
            return {};
        return std::exchange(db_.pendingActions_, {});
    }

private:
    std::string savepoint(const char* verb) const {
        return std::string(verb) + " tavro_" + std::to_string(level_) + ";";
    }

    Database& db_;
    int level_;
    size_t actionsAtStart_;
    bool finished_ = false;
};

std::vector<std::function<void()>> Database::beginAndRun(std::optional<Milliseconds> lockWait,
                                                         const std::function<void()>& body) {
    std::lock_guard lock(mutex_);
    if (depth_ == 0)
        transactionWait_ = lockWait.value_or(lockWait_);
    TransactionScope scope(*this);
    body();
    return scope.commit();
}

void Database::beginRead() {
    std::unique_lock lock(mutex_);
    if (depth_ == 0) {
        transactionWait_ = lockWait_;
        execute("BEGIN DEFERRED TRANSACTION;");
    }
    ++depth_;
    lock.release();
}

void Database::endRead() {
    std::vector<std::function<void()>> actions;
    {
        std::unique_lock lock(mutex_, std::adopt_lock);
        if (--depth_ > 0)
            return;
        try {
            execute("COMMIT;");
            actions = std::exchange(pendingActions_, {});
        } catch (const std::exception&) {
            // What a joined transaction wrote is undone with the read, and so are its actions.
            pendingActions_.clear();
            try {
                execute("ROLLBACK;");
            } catch (const std::exception&) {
                // The connection has no transaction open any more, which is all that matters.
            }
        }
    }
    runAll(actions);
}

void Database::runAll(std::vector<std::function<void()>>& actions) {
    for (auto& action : actions)
        action();
}

void Database::afterCommit(std::function<void()> action) {
    {
        std::lock_guard lock(mutex_);
        if (depth_ > 0) {
            pendingActions_.push_back(std::move(action));
            return;
        }
    }
    action();
}

namespace {

thread_local std::uint64_t statementsRun = 0;

} // namespace

void Database::checkThread() const {
    assert(owner_ == std::thread::id() || owner_ == std::this_thread::get_id());
    ++statementsRun;
}

std::uint64_t Database::statementsOnThisThread() {
    return statementsRun;
}

bool Database::inTransaction() const {
    std::lock_guard lock(mutex_);
    return depth_ > 0;
}

} // namespace tavro
