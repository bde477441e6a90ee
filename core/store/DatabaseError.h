#pragma once

#include <stdexcept>
#include <string>

namespace tavro {

// Every failure of the library database. what() is the user-facing description.
class DatabaseError : public std::runtime_error {
public:
    enum class Code { openFailed, prepareFailed, stepFailed, refused };

    static DatabaseError openFailed(std::string message);
    static DatabaseError prepareFailed(std::string message, std::string sql);
    static DatabaseError stepFailed(std::string message, std::string sql);
    // A value the store does not take; what() is `message` alone.
    static DatabaseError refused(std::string message);

    Code code() const { return code_; }
    const std::string& message() const { return message_; }
    const std::string& sql() const { return sql_; }

private:
    DatabaseError(Code code, std::string message, std::string sql, const std::string& description);

    Code code_;
    std::string message_;
    std::string sql_;
};

} // namespace tavro
