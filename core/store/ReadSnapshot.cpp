#include "store/ReadSnapshot.h"

#include "store/Database.h"

#include <exception>

namespace tavro {

ReadSnapshot::ReadSnapshot(Database& db)
    : db_(db) {
    db_.executeRaw("BEGIN DEFERRED TRANSACTION;");
}

ReadSnapshot::~ReadSnapshot() {
    try {
        db_.executeRaw("COMMIT;");
    } catch (const std::exception&) {
        // Nothing was written: ending the read cannot lose anything, and the next read begins
        // its own transaction only if this one is gone.
        try {
            db_.executeRaw("ROLLBACK;");
        } catch (const std::exception&) {
            // The connection has no transaction open any more, which is all that matters.
        }
    }
}

} // namespace tavro
