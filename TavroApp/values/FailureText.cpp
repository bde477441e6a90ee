#include "values/FailureText.h"

#include <cstdio>
#include <string_view>

namespace tavro {

namespace {

// How the store's errors begin (DatabaseError).
constexpr std::string_view storePrefixes[] = {
    "SQL execution failed: ",
    "SQL prepare failed: ",
    "Could not open the Tavro database: ",
};

// SQLite's own text for each result code, which the store's message starts with.
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

// Followed by the store's message, without its statement.
constexpr std::string_view otherwise = "Something went wrong in the library: ";

} // namespace

std::string userFacingFailure(const std::string& description) {
    for (std::string_view prefix : storePrefixes) {
        if (!description.starts_with(prefix))
            continue;
        std::fprintf(stderr, "[tavro] %s\n", description.c_str());
        const std::string_view message = std::string_view(description).substr(prefix.size());
        for (const Meaning& meaning : meanings)
            if (message.starts_with(meaning.sqliteText))
                return std::string(meaning.sentence);
        const std::string_view firstLine = message.substr(0, message.find('\n'));
        return std::string(otherwise) + std::string(firstLine);
    }
    return description;
}

} // namespace tavro
