#include "library/FailureText.h"

#include "store/DatabaseError.h"

#include <gtest/gtest.h>

using namespace tavro;

TEST(FailureTextTest, TheStoreSaysWhatHappenedInWordsAndOtherMessagesPassThrough) {
    const std::string insert = "INSERT INTO captures (id) VALUES (?);";
    const struct {
        const char* name;
        std::string description;
        std::string shown;
    } cases[] = {
        {"busy",
         DatabaseError::stepFailed("database is locked", "BEGIN IMMEDIATE TRANSACTION;").what(),
         "The library is busy: another program is writing to it. Try again in a moment."},
        {"disk full", DatabaseError::stepFailed("database or disk is full", insert).what(),
         "The disk is full. Free some space, then try again."},
        {"read-only",
         DatabaseError::stepFailed("attempt to write a readonly database", insert).what(),
         "The library can't be written to. Check that its folder is yours and writable."},
        {"damaged", DatabaseError::prepareFailed("file is not a database", insert).what(),
         "The library's database is damaged."},
        {"cannot open", DatabaseError::openFailed("unable to open database file").what(),
         "The library's database can't be opened."},
        {"anything else from the store",
         DatabaseError::stepFailed("no such table: captures", insert).what(),
         "Something went wrong in the library: no such table: captures"},
        {"already for the user", "That group no longer exists.", "That group no longer exists."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string shown = userFacingFailure(c.description);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(shown.find("SQL"), std::string::npos);
        EXPECT_EQ(shown.find("TRANSACTION"), std::string::npos);
    }
}
