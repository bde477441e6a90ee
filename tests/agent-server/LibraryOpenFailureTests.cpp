#include "LibraryOpenFailure.h"

#include "TempLibrary.h"
#include "store/DatabaseError.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace tavro;
using namespace tavro::test;

// What the last line tells a person, by what SQLite found wrong with the file that is there.
TEST(LibraryOpenFailure, SaysWhatIsWrongWithTheFileThatIsThere) {
    struct Case {
        const char* name;
        DatabaseError error;
        std::string whatToDo;
    };
    const Case cases[] = {
        {"damaged",
         DatabaseError::stepFailed("database disk image is malformed", "", SQLITE_CORRUPT),
         "The file there is not a Tavro database, or it is damaged. Move it away to start a new "
         "library, or put a good copy in its place, then reconnect this MCP server."},
        {"read-only",
         DatabaseError::stepFailed("attempt to write a readonly database", "",
                                   SQLITE_READONLY_DBMOVED),
         "The file there cannot be written to. Check that it and its folder are yours and "
         "writable, then reconnect this MCP server."},
        {"cannot open", DatabaseError::openFailed("unable to open database file", SQLITE_CANTOPEN),
         "The file there cannot be opened. Check that it and its folder are yours and can be "
         "read and written, then reconnect this MCP server."},
        {"disk full",
         DatabaseError::stepFailed("database or disk is full", "PRAGMA x;", SQLITE_FULL),
         "The file there cannot be used. The disk is full. Free some space, then try again. "
         "Reconnect this MCP server when it is put right."},
    };
    TempFolder folder;
    const auto database = folder.path() / "tavro.sqlite";
    writeFile(database, "");
    for (const auto& c : cases) {
        const std::string text = libraryOpenFailure(database, true, c.error);
        EXPECT_EQ(text, "Tavro could not open its library at " + database.string() + ".\n" +
                            c.whatToDo + "\n")
            << c.name;
        EXPECT_EQ(text.find("PRAGMA"), std::string::npos) << c.name;
    }
    // A library that was not there is made by the app, whatever stopped this start.
    EXPECT_EQ(libraryOpenFailure(folder.path() / "missing.sqlite", false, cases[0].error),
              "Tavro could not open its library at " + (folder.path() / "missing.sqlite").string() +
                  ".\nLaunch the Tavro app once to create it, then reconnect this MCP server.\n");
}
