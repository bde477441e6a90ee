#include "Diagnostics.h"

#include "FullWrite.h"
#include "store/DatabaseError.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace tavro::diagnostics {

namespace {

std::string literal(std::string_view text) {
    return nlohmann::json(std::string(text))
        .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string_view codeName(DatabaseError::Code code) {
    switch (code) {
    case DatabaseError::Code::openFailed:
        return "openFailed";
    case DatabaseError::Code::prepareFailed:
        return "prepareFailed";
    case DatabaseError::Code::stepFailed:
        return "stepFailed";
    case DatabaseError::Code::refused:
        return "refused";
    }
    return "unknown";
}

} // namespace

void writeStandardError(std::string_view bytes) {
    writeFully(STDERR_FILENO, bytes);
}

void log(std::string_view text) {
    std::string line = "[tavro-mcp] ";
    line += text;
    line += '\n';
    writeStandardError(line);
}

std::string describe(const std::exception& error) {
    if (auto database = dynamic_cast<const DatabaseError*>(&error)) {
        std::string text = "DatabaseError." + std::string(codeName(database->code())) +
                           "(message: " + literal(database->message());
        if (database->code() != DatabaseError::Code::openFailed)
            text += ", sql: " + literal(database->sql());
        return text + ")";
    }
    if (auto file = dynamic_cast<const std::filesystem::filesystem_error*>(&error)) {
        std::string text = "filesystem_error(message: " + literal(file->code().message()) +
                           ", path: " + literal(file->path1().string());
        if (!file->path2().empty())
            text += ", path2: " + literal(file->path2().string());
        return text + ")";
    }
    return "exception(" + literal(error.what()) + ")";
}

std::string plainMessage(const std::exception& error) {
    if (auto database = dynamic_cast<const DatabaseError*>(&error))
        return database->plainMessage();
    return error.what();
}

} // namespace tavro::diagnostics
