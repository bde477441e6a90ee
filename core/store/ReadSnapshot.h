#pragma once

namespace tavro {

class Database;

// One consistent view of the library for the reads made while it lives. A deferred transaction
// takes no lock until the first read, and then only a snapshot: writers in other programs carry
// on meanwhile (the library file is in WAL mode). A transaction opened while it lives joins it.
class ReadSnapshot {
public:
    explicit ReadSnapshot(Database& db);
    ~ReadSnapshot();
    ReadSnapshot(const ReadSnapshot&) = delete;
    ReadSnapshot& operator=(const ReadSnapshot&) = delete;

private:
    Database& db_;
};

} // namespace tavro
