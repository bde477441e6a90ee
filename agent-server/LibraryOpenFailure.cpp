#include "LibraryOpenFailure.h"

#include "store/DatabaseError.h"

#include <sqlite3.h>
#include <sys/statvfs.h>
#include <system_error>

namespace tavro {

namespace {

constexpr std::string_view reconnect = ", then reconnect this MCP server.";

bool onReadOnlyFileSystem(const std::filesystem::path& folder) {
    struct statvfs facts {};
    return ::statvfs(folder.c_str(), &facts) == 0 && (facts.f_flag & ST_RDONLY) != 0;
}

std::string whatIsWrong(const std::filesystem::path& database, const std::exception& error) {
    std::error_code ignored;
    if (std::filesystem::is_directory(std::filesystem::symlink_status(database, ignored)))
        return "There is a folder where its database file should be. Move the folder away" +
               std::string(reconnect);
    if (onReadOnlyFileSystem(database.parent_path()))
        return "It is on a read-only file system, where Tavro cannot write. Make it writable" +
               std::string(reconnect);
    if (auto file = dynamic_cast<const std::filesystem::filesystem_error*>(&error))
        return "Its folder cannot be used (" + file->code().message() +
               "). Check that the folder is yours and writable" + std::string(reconnect);
    auto databaseError = dynamic_cast<const DatabaseError*>(&error);
    if (!databaseError)
        return std::string("The file there cannot be used (") + error.what() + "). Put it right" +
               std::string(reconnect);
    switch (databaseError->resultCode() & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return "The file there is not a Tavro database, or it is damaged. Move it away to start "
               "a new library, or put a good copy in its place" +
               std::string(reconnect);
    case SQLITE_READONLY:
        return "The file there cannot be written to. Check that it and its folder are yours and "
               "writable" +
               std::string(reconnect);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return "The file there cannot be opened. Check that it and its folder are yours and "
               "can be read and written" +
               std::string(reconnect);
    default:
        return "The file there cannot be used. " + databaseError->plainMessage() +
               " Reconnect this MCP server when it is put right.";
    }
}

} // namespace

std::string libraryOpenFailure(const std::filesystem::path& database, bool existed,
                               const std::exception& error) {
    std::string text = "Tavro could not open its library at " + database.string() + ".\n";
    if (!existed)
        return text + "Launch the Tavro app once to create it, then reconnect this MCP server.\n";
    return text + whatIsWrong(database, error) + "\n";
}

} // namespace tavro
