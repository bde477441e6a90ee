#pragma once

namespace tavro {

class Database;

// Brings a library file to the current layout (user_version 5) through five fixed steps.
namespace Schema {

inline constexpr int currentVersion = 5;

// Throws the DatabaseError of the first statement that fails; a failure leaves the file at its
// old version with nothing of this run applied.
void migrate(Database& db);

// Adds the tables that came after the fifth step where they are missing (the engine's record of
// screenshot files that failed to move, "blob_failures"), without changing the version. Throws
// the DatabaseError of a failed statement.
void addLateTables(Database& db);

} // namespace Schema

} // namespace tavro
