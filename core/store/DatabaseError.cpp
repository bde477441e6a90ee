#include "store/DatabaseError.h"

namespace tavro {

DatabaseError::DatabaseError(Code code, std::string message, std::string sql,
                             const std::string& description)
    : std::runtime_error(description)
    , code_(code)
    , message_(std::move(message))
    , sql_(std::move(sql)) {}

DatabaseError DatabaseError::openFailed(std::string message) {
    auto description = "Could not open the Tavro database: " + message;
    return DatabaseError(Code::openFailed, std::move(message), {}, description);
}

DatabaseError DatabaseError::prepareFailed(std::string message, std::string sql) {
    auto description = "SQL prepare failed: " + message + "\n" + sql;
    return DatabaseError(Code::prepareFailed, std::move(message), std::move(sql), description);
}

DatabaseError DatabaseError::stepFailed(std::string message, std::string sql) {
    auto description = "SQL execution failed: " + message + "\n" + sql;
    return DatabaseError(Code::stepFailed, std::move(message), std::move(sql), description);
}

DatabaseError DatabaseError::refused(std::string message) {
    auto description = message;
    return DatabaseError(Code::refused, std::move(message), {}, description);
}

} // namespace tavro
