#pragma once

#include <cstdint>

namespace tavro {

class Database;

// A counter the library file raises itself, through triggers, on every committed change to a
// table the board shows, whichever program writes it. Counts and latest times miss changes that
// keep them (a tag swapped for another, an edited group name); a rolled-back write leaves the
// counter as it was.
namespace ChangeCounter {

// Adds the counter and its triggers to a library that lacks them, or replaces an outdated set.
// Costs one read when they are in place; otherwise takes the write lock, so two programs opening
// one library at once install them once. Throws DatabaseError.
void install(Database& db);

std::int64_t read(Database& db);

} // namespace ChangeCounter

} // namespace tavro
