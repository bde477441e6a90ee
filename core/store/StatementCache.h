#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

namespace tavro {

// The compiled statements of one connection, kept by their text for the next run: compiling
// costs more than running most of the store's statements. At most `capacity` are kept, the
// least recently used going first. Not thread-safe: the connection's lock covers it.
class StatementCache {
public:
    static constexpr std::size_t defaultCapacity = 96;

    explicit StatementCache(sqlite3* handle, std::size_t capacity = defaultCapacity);
    ~StatementCache();
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // A statement out of the cache for one run. Giving it back resets it and clears its
    // bindings, so it holds no read open and carries nothing into the next run.
    class Lease {
    public:
        Lease(StatementCache& cache, std::string sql, sqlite3_stmt* statement)
            : cache_(cache)
            , sql_(std::move(sql))
            , statement_(statement) {}
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;

        sqlite3_stmt* get() const { return statement_; }

    private:
        StatementCache& cache_;
        std::string sql_;
        sqlite3_stmt* statement_;
    };

    // Compiles the statement unless a compiled one is waiting; throws DatabaseError
    // (prepareFailed) for text that does not compile.
    Lease take(std::string_view sql);
    std::size_t size() const { return statements_.size(); }

private:
    struct Entry {
        sqlite3_stmt* statement;
        std::uint64_t lastUse;
    };
    void giveBack(std::string sql, sqlite3_stmt* statement);

    sqlite3* handle_;
    std::size_t capacity_;
    std::uint64_t clock_ = 0;
    std::unordered_map<std::string, Entry> statements_;
};

} // namespace tavro
