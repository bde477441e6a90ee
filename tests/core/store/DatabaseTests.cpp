#include "store/Database.h"
#include "store/ReadSnapshot.h"

#include "TempLibrary.h"

#include <chrono>
#include <exception>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace tavro;
using tavro::test::TempFolder;

namespace {

struct DatabaseTest : ::testing::Test {
    TempFolder folder;
    Database db{folder.path() / "nested/new/tavro.sqlite"};

    void SetUp() override {
        db.executeRaw("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT UNIQUE, value);");
    }

    std::int64_t count() { return *db.query("SELECT COUNT(*) AS n FROM t;").front().intValue("n"); }
};

} // namespace

TEST_F(DatabaseTest, OpensANewFileWithItsPragmas) {
    EXPECT_TRUE(fs::exists(folder.path() / "nested/new/tavro.sqlite"));
    EXPECT_EQ(db.query("PRAGMA journal_mode;").front().string("journal_mode"), "wal");
    EXPECT_EQ(db.query("PRAGMA foreign_keys;").front().intValue("foreign_keys"), 1);
    EXPECT_EQ(db.lockWait(), Database::patientLockWait);
    EXPECT_EQ(db.query("PRAGMA synchronous;").front().intValue("synchronous"), 1);
}

TEST(Database, OpenFailuresAreReported) {
    TempFolder folder;
    try {
        Database db(folder.path()); // a folder, not a file
        FAIL() << "opened a folder";
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.code(), DatabaseError::Code::openFailed);
        EXPECT_TRUE(std::string(error.what()).starts_with("Could not open the Tavro database: "));
    }
    test::writeFile(folder.path() / "file", "x");
    EXPECT_THROW(Database(folder.path() / "file/sub/tavro.sqlite"), fs::filesystem_error);
}

TEST_F(DatabaseTest, ErrorsCarryTheirDescriptions) {
    try {
        db.execute("SELEC 1;");
        FAIL();
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.code(), DatabaseError::Code::prepareFailed);
        EXPECT_EQ(std::string(error.what()),
                  "SQL prepare failed: near \"SELEC\": syntax error\nSELEC 1;");
    }
    db.execute("INSERT INTO t (name) VALUES (?);", {"a"});
    try {
        db.execute("INSERT INTO t (name) VALUES (?);", {"a"});
        FAIL();
    } catch (const DatabaseError& error) {
        EXPECT_EQ(error.code(), DatabaseError::Code::stepFailed);
        EXPECT_EQ(std::string(error.what()), "SQL execution failed: UNIQUE constraint failed: "
                                             "t.name\nINSERT INTO t (name) VALUES (?);");
    }
    EXPECT_EQ(db.execute("UPDATE t SET value = 1 WHERE name = 'nobody';"), 0);
}

TEST_F(DatabaseTest, ReadersFollowTheStorageClass) {
    db.execute("INSERT INTO t (id, name, value) VALUES (1, 'int', 7), (2, 'real', 2.9), "
               "(3, 'neg', -2.9), (4, 'text', '42'), (5, 'null', NULL), (6, 'blob', x'0102');");
    auto rows = db.query("SELECT name, value FROM t ORDER BY id;");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].intValue("value"), 7);
    EXPECT_EQ(rows[0].doubleValue("value"), 7.0);
    EXPECT_TRUE(rows[0].boolValue("value"));
    EXPECT_EQ(rows[1].intValue("value"), 2);
    EXPECT_EQ(rows[2].intValue("value"), -2);
    EXPECT_EQ(rows[3].intValue("value"), std::nullopt);
    EXPECT_EQ(rows[3].string("value"), "42");
    EXPECT_FALSE(rows[3].boolValue("value"));
    EXPECT_TRUE(rows[4].value("value") && rows[4].value("value")->isNull());
    EXPECT_EQ(rows[4].string("value"), std::nullopt);
    EXPECT_FALSE(rows[4].boolValue("value"));
    EXPECT_EQ(rows[5].data("value"), (Blob{1, 2}));
    EXPECT_EQ(rows[0].string("missing"), std::nullopt);
    EXPECT_EQ(rows[0].date("value"), 7.0);

    auto same = db.query("SELECT 1 AS x, 2 AS x;");
    EXPECT_EQ(same.front().intValue("x"), 2);
}

// A text holding U+0000 is bound and read whole: cut at the NUL, a write would report success
// for a shortened text.
TEST_F(DatabaseTest, TextIsKeptWholeAcrossANulAndRepaired) {
    using namespace std::string_literals;
    db.execute("INSERT INTO t (name, value) VALUES ('nul', CAST(x'610062' AS TEXT)), "
               "('bad', CAST(x'61FF62' AS TEXT));");
    db.execute("INSERT INTO t (name, value) VALUES (?, ?);", {"bound\0name"s, "x\0y\0"s});
    auto rows = db.query("SELECT name, value, length(CAST(value AS BLOB)) AS bytes FROM t "
                         "ORDER BY id;");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].string("value"), "a\0b"s);
    EXPECT_EQ(rows[1].string("value"), "a\uFFFDb");
    EXPECT_EQ(rows[2].string("name"), "bound\0name"s);
    EXPECT_EQ(rows[2].string("value"), "x\0y\0"s);
    EXPECT_EQ(rows[2].intValue("bytes"), 4);
    EXPECT_EQ(db.query("SELECT id FROM t WHERE name = ?;", {"bound\0name"s}).size(), 1u);
    EXPECT_TRUE(db.query("SELECT id FROM t WHERE name = ?;", {"bound"s}).empty());
}

TEST_F(DatabaseTest, QueryThrowsWhenAStepFails) {
    EXPECT_TRUE(db.query("SELECT * FROM t;").empty());
    EXPECT_THROW(db.query("SELECT abs(-9223372036854775807 - 1);"), DatabaseError);
}

TEST_F(DatabaseTest, TransactionsCommitRollBackAndNest) {
    struct Boom {};
    EXPECT_THROW(db.transaction([&] {
        db.execute("INSERT INTO t (name) VALUES ('gone');");
        throw Boom{};
    }),
                 Boom);
    EXPECT_EQ(count(), 0);

    int result = db.transaction([&] {
        db.execute("INSERT INTO t (name) VALUES ('outer');");
        try {
            db.transaction([&] {
                db.execute("INSERT INTO t (name) VALUES ('inner');");
                throw Boom{};
            });
        } catch (const Boom&) {
        }
        db.transaction([&] { db.execute("INSERT INTO t (name) VALUES ('kept');"); });
        return 42;
    });
    EXPECT_EQ(result, 42);
    EXPECT_EQ(count(), 2);
    EXPECT_FALSE(db.inTransaction());

    // A constraint failure in the body rolls everything back and reaches the caller unchanged.
    EXPECT_THROW(db.transaction([&] {
        db.execute("INSERT INTO t (name) VALUES ('third');");
        db.execute("INSERT INTO t (name) VALUES ('outer');");
    }),
                 DatabaseError);
    EXPECT_EQ(count(), 2);
}

TEST_F(DatabaseTest, AReadSnapshotHoldsOneViewAndTransactionsJoinIt) {
    Database other{db.file()};
    const auto joinedElsewhere = [&] {
        return *other.query("SELECT COUNT(*) AS n FROM t WHERE name = 'joined';")
                    .front()
                    .intValue("n");
    };
    db.execute("INSERT INTO t (name) VALUES ('before');");
    {
        ReadSnapshot snapshot(db);
        EXPECT_TRUE(db.inTransaction());
        EXPECT_EQ(count(), 1);
        other.execute("INSERT INTO t (name) VALUES ('elsewhere');");
        EXPECT_EQ(count(), 1);
    }
    EXPECT_FALSE(db.inTransaction());
    EXPECT_EQ(count(), 2);

    int runs = 0;
    {
        ReadSnapshot snapshot(db);
        EXPECT_EQ(count(), 2);
        ReadSnapshot nested(db);
        EXPECT_NO_THROW(db.transaction([&] {
            db.execute("INSERT INTO t (name) VALUES ('joined');");
            db.afterCommit([&] { ++runs; });
        }));
        EXPECT_EQ(runs, 0);
        EXPECT_EQ(joinedElsewhere(), 0);
    }
    EXPECT_FALSE(db.inTransaction());
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(joinedElsewhere(), 1);

    db.transaction([&] {
        ReadSnapshot inside(db);
        db.execute("INSERT INTO t (name) VALUES ('inside');");
    });
    EXPECT_EQ(count(), 4);
}

TEST_F(DatabaseTest, AfterCommitActionsRunOnceAndOnlyOnCommit) {
    int runs = 0;
    db.afterCommit([&] { ++runs; });
    EXPECT_EQ(runs, 1);

    db.transaction([&] {
        db.afterCommit([&] { ++runs; });
        db.transaction([&] { db.afterCommit([&] { ++runs; }); });
        EXPECT_EQ(runs, 1);
    });
    EXPECT_EQ(runs, 3);

    try {
        db.transaction([&] {
            db.afterCommit([&] { ++runs; });
            throw 1;
        });
    } catch (int) {
    }
    EXPECT_EQ(runs, 3);

    db.transaction([&] {
        try {
            db.transaction([&] {
                db.afterCommit([&] { runs += 100; });
                throw 1;
            });
        } catch (int) {
        }
        db.afterCommit([&] { ++runs; });
    });
    EXPECT_EQ(runs, 4);
}

TEST_F(DatabaseTest, StatementsRunAgainWithFreshBindingsAndHoldNothingOpen) {
    const std::string insert = "INSERT INTO t (name, value) VALUES (?, ?);";
    const std::string select = "SELECT value FROM t WHERE name = ?;";
    struct Run {
        const char* name;
        SQLValue value;
        bool fails; // the name is taken already
    };
    const std::vector<Run> runs = {
        {"a", std::int64_t(1), false}, {"b", "two", false}, {"a", std::int64_t(3), true},
        {"c", SQLValue(), false},      {"d", 4.5, false},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        if (run.fails) {
            EXPECT_THROW(db.execute(insert, {run.name, run.value}), DatabaseError);
            continue;
        }
        EXPECT_EQ(db.execute(insert, {run.name, run.value}), 1);
        const auto rows = db.query(select, {run.name});
        ASSERT_EQ(rows.size(), 1u);
        ASSERT_TRUE(rows[0].value("value"));
        EXPECT_TRUE(*rows[0].value("value") == run.value);
    }
    EXPECT_EQ(db.query(select, {"a"}).front().intValue("value"), 1);
    EXPECT_TRUE(db.query("SELECT value FROM t WHERE name = ?;").empty()) << "no binding left over";

    // Another connection writes, and checkpoints the whole log: no statement of ours still
    // holds a read, and the next run sees the new row.
    Database other{db.file()};
    other.execute(insert, {"e", std::int64_t(5)});
    const auto checkpoint = other.query("PRAGMA wal_checkpoint(TRUNCATE);").front();
    EXPECT_EQ(checkpoint.intValue("busy"), 0);
    EXPECT_EQ(db.query(select, {"e"}).size(), 1u);
    EXPECT_EQ(db.execute("DELETE FROM t WHERE name = ?;", {"e"}), 1);

    // A kept statement over a table that changed shape since reads the new shape.
    EXPECT_FALSE(db.query("SELECT * FROM t;").front().value("extra"));
    db.executeRaw("ALTER TABLE t ADD COLUMN extra DEFAULT 'x';");
    EXPECT_EQ(db.query("SELECT * FROM t;").front().string("extra"), "x");

    // More distinct texts than are kept, each right when it runs again.
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < 300; ++i)
            EXPECT_EQ(db.query("SELECT " + std::to_string(i) + " + ? AS n;", {std::int64_t(round)})
                          .front()
                          .intValue("n"),
                      i + round);
    EXPECT_EQ(count(), 4);
}

// Another program keeps the library's write lock for longer than one busy wait (5 s): a statement
// and a transaction waiting behind it, on two connections at once, both land once it is free.
TEST_F(DatabaseTest, WritesWaitOutALockHeldPastOneBusyWait) {
    Database other{db.file()};
    other.executeRaw("BEGIN IMMEDIATE TRANSACTION;");
    const auto start = std::chrono::steady_clock::now();
    std::thread holder([&] {
        // How long the other program holds the lock is the case itself, not a wait for it.
        std::this_thread::sleep_for(5600ms);
        other.executeRaw("COMMIT;");
    });
    std::exception_ptr failed;
    std::thread second([&] {
        try {
            Database third{db.file()};
            third.transaction(
                [&] { third.execute("INSERT INTO t (name) VALUES ('transaction');"); });
        } catch (...) {
            failed = std::current_exception();
        }
    });
    EXPECT_NO_THROW(db.execute("INSERT INTO t (name) VALUES ('statement');"));
    second.join();
    holder.join();
    EXPECT_FALSE(failed) << "the transaction gave up";
    EXPECT_GE(std::chrono::steady_clock::now() - start, 5600ms);
    EXPECT_EQ(count(), 2);
}

TEST_F(DatabaseTest, AWriteGivesUpInPlainWordsOnceItsLockWaitIsOver) {
    struct Case {
        const char* name;
        std::function<void()> write;
        std::chrono::milliseconds wait;
    };
    const std::string insert = "INSERT INTO t (name) VALUES ('late');";
    db.setLockWait(300ms);
    const std::vector<Case> cases = {
        {"statement", [&] { db.execute(insert); }, 300ms},
        {"transaction", [&] { db.transaction([&] { db.execute(insert); }); }, 300ms},
        {"brief transaction", [&] { db.transaction(100ms, [&] { db.execute(insert); }); }, 100ms},
    };
    Database other{db.file()};
    other.executeRaw("BEGIN IMMEDIATE TRANSACTION;");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = std::chrono::steady_clock::now();
        try {
            c.write();
            ADD_FAILURE() << "wrote under another program's lock";
        } catch (const DatabaseError& error) {
            const auto waited = std::chrono::steady_clock::now() - start;
            EXPECT_GE(waited, c.wait);
            EXPECT_LT(waited, c.wait + 3s);
            EXPECT_TRUE(error.isBusy()) << error.what();
            EXPECT_EQ(error.plainMessage(),
                      "The library is busy: another program is writing to it. Try again in a "
                      "moment.");
        }
    }
    other.executeRaw("ROLLBACK;");
    EXPECT_EQ(count(), 0);
    EXPECT_FALSE(db.inTransaction());
    EXPECT_NO_THROW(db.execute(insert));
    EXPECT_EQ(count(), 1);
}
