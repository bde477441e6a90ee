#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace tavro {

// Every failure of the library database. what() is the description for the log: SQLite's
// message and the statement; plainMessage() says what failed without either.
class DatabaseError : public std::runtime_error {
public:
    enum class Code { openFailed, prepareFailed, stepFailed, refused };

    // `resultCode` is SQLite's extended result code, 0 when there is none.
    static DatabaseError openFailed(std::string message, int resultCode = 0);
    static DatabaseError prepareFailed(std::string message, std::string sql, int resultCode = 0);
    static DatabaseError stepFailed(std::string message, std::string sql, int resultCode = 0);
    // A value the store does not take; what() is `message` alone.
    static DatabaseError refused(std::string message);

    Code code() const { return code_; }
    const std::string& message() const { return message_; }
    const std::string& sql() const { return sql_; }
    int resultCode() const { return resultCode_; }

    // Another program held the library's write lock for longer than the statement would wait.
    bool isBusy() const;

    // What failed, in words for the person or agent who asked for the change: never a statement.
    std::string plainMessage() const;

    // The same for one of SQLite's messages: a sentence for the failures a person can act on
    // ("database is locked": the library is busy), else the message's first line after a few
    // words that say where it went wrong.
    static std::string plainMessageFor(std::string_view sqliteMessage);

private:
    DatabaseError(Code code, std::string message, std::string sql, int resultCode,
                  const std::string& description);

    Code code_;
    std::string message_;
    std::string sql_;
    int resultCode_;
};

} // namespace tavro
