/* The least an agent server can cost to start: SQLite opened with the store's own pragmas, then
 * each request with an id answered by the next line of a file of replies.
 * Usage: tavro-handshake-floor <database> <replies> */
#include <sqlite3.h>
#include <stdio.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    FILE* replies = fopen(argv[2], "r");
    sqlite3* db = NULL;
    if (!replies ||
        sqlite3_open_v2(argv[1], &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        NULL) != SQLITE_OK)
        return 1;
    sqlite3_busy_timeout(db, 5000);
    if (sqlite3_exec(db,
                     "PRAGMA busy_timeout = 5000; PRAGMA journal_mode = WAL; "
                     "PRAGMA foreign_keys = ON; PRAGMA synchronous = NORMAL; "
                     "PRAGMA user_version;",
                     NULL, NULL, NULL) != SQLITE_OK)
        return 1;
    static char line[1 << 16], reply[1 << 20];
    while (fgets(line, sizeof line, stdin)) {
        if (!strstr(line, "\"id\""))
            continue;
        if (!fgets(reply, sizeof reply, replies))
            return 1;
        fputs(reply, stdout);
        fflush(stdout);
    }
    sqlite3_close(db);
    return 0;
}
