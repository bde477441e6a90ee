#include "store/CaptureColumns.h"

#include "TempLibrary.h"
#include "store/Database.h"
#include "store/Schema.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace tavro;
using namespace tavro::test;

// A column added to the table but not to the list would be silently dropped by every read and
// write of a capture; one listed twice, or two fields on one wire key, would clash.
TEST(CaptureColumnsTest, ListEveryColumnOfTheTableOnceAndEveryWireKeyOnce) {
    TempLibrary library;
    Database db(library.database());
    Schema::migrate(db);
    std::set<std::string> table;
    for (const auto& row : db.query("SELECT name FROM pragma_table_info('captures');"))
        table.insert(*row.string("name"));
    table.erase("id");
    table.erase("pending");

    std::set<std::string> listed, keys;
    for (const auto& column : CaptureColumns::all()) {
        EXPECT_TRUE(listed.insert(std::string(column.column)).second) << column.column;
        if (!column.wireKey.empty()) {
            EXPECT_TRUE(keys.insert(std::string(column.wireKey)).second) << column.wireKey;
        }
        const bool travels = column.has(CaptureColumn::pushed) ||
                             column.has(CaptureColumn::merged) ||
                             column.has(CaptureColumn::mirrored);
        EXPECT_EQ(travels, !column.wireKey.empty()) << column.column;
    }
    EXPECT_EQ(listed, table);
}
