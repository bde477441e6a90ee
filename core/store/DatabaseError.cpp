#include "store/DatabaseError.h"

#include <sqlite3.h>

namespace tavro {

namespace {

// SQLite's own text for each result code, which its message starts with.
struct Meaning {
    std::string_view sqliteText;
    std::string_view sentence;
};
constexpr Meaning meanings[] = {
    {"database is locked",
     "The library is busy: another program is writing to it. Try again in a moment."},
    {"database table is locked",
     "The library is busy: another program is writing to it. Try again in a moment."},
    {"database or disk is full", "The disk is full. Free some space, then try again."},
    {"attempt to write a readonly database",
     "The library can't be written to. Check that its folder is yours and writable."},
    {"disk I/O error", "The disk could not be read or written."},
    {"database disk image is malformed", "The library's database is damaged."},
    {"file is not a database", "The library's database is damaged."},
    {"unable to open database file", "The library's database can't be opened."},
};

// Followed by SQLite's message, without its statement.
constexpr std::string_view otherwise = "Something went wrong in the library: ";

} // namespace

DatabaseError::DatabaseError(Code code, std::string message, std::string sql, int resultCode,
                             const std::string& description)
    : std::runtime_error(description)
    , code_(code)
    , message_(std::move(message))
    , sql_(std::move(sql))
    , resultCode_(resultCode) {}

DatabaseError DatabaseError::openFailed(std::string message, int resultCode) {
    auto description = "Could not open the Tavro database: " + message;
    return DatabaseError(Code::openFailed, std::move(message), {}, resultCode, description);
}

DatabaseError DatabaseError::prepareFailed(std::string message, std::string sql, int resultCode) {
    auto description = "SQL prepare failed: " + message + "\n" + sql;
    return DatabaseError(Code::prepareFailed, std::move(message), std::move(sql), resultCode,
                         description);
}

DatabaseError DatabaseError::stepFailed(std::string message, std::string sql, int resultCode) {
    auto description = "SQL execution failed: " + message + "\n" + sql;
    return DatabaseError(Code::stepFailed, std::move(message), std::move(sql), resultCode,
                         description);
}

DatabaseError DatabaseError::refused(std::string message) {
    auto description = message;
    return DatabaseError(Code::refused, std::move(message), {}, 0, description);
}

bool DatabaseError::isBusy() const {
    const int primary = resultCode_ & 0xff;
    return primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
}

std::string DatabaseError::plainMessageFor(std::string_view sqliteMessage) {
    for (const Meaning& meaning : meanings)
        if (sqliteMessage.starts_with(meaning.sqliteText))
            return std::string(meaning.sentence);
    return std::string(otherwise) + std::string(sqliteMessage.substr(0, sqliteMessage.find('\n')));
}

std::string DatabaseError::plainMessage() const {
    if (code_ == Code::refused)
        return message_;
    if (isBusy())
        return std::string(meanings[0].sentence);
    return plainMessageFor(message_);
}

} // namespace tavro
