#include "store/ReadSnapshot.h"

#include "store/Database.h"

namespace tavro {

ReadSnapshot::ReadSnapshot(Database& db)
    : db_(db) {
    db_.beginRead();
}

ReadSnapshot::~ReadSnapshot() {
    db_.endRead();
}

} // namespace tavro
