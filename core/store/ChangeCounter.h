#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace tavro {

class Database;

// A counter the library file raises itself, through triggers, on every committed change to a
// table the board shows, whichever program writes it. Counts and latest times miss changes that
// keep them (a tag swapped for another, an edited group name); a rolled-back write leaves the
// counter as it was. The same triggers keep a short log of what each change touched, under the
// counter's value after it.
namespace ChangeCounter {

// Adds the counter and its triggers to a library that lacks them, or replaces an outdated set.
// Costs one read when they are in place; otherwise takes the write lock, so two programs opening
// one library at once install them once. Throws DatabaseError.
void install(Database& db);

std::int64_t read(Database& db);

// What changed after `counter`, as far as the log tells.
struct Changes {
    // The counter now.
    std::int64_t counter = 0;
    // Captures whose row, screenshots, tags, comments or history changed (old ids of a row
    // whose capture changed included).
    std::set<std::string> captureIDs;
    // Groups, members, people, workspaces or the signed-in user changed.
    bool others = false;

    bool operator==(const Changes&) const = default;
};

// Nothing when the log cannot say (trimmed past `counter`, written by triggers of another
// version, a counter that went back, a tag renamed or removed): read everything then.
std::optional<Changes> since(Database& db, std::int64_t counter);

} // namespace ChangeCounter

} // namespace tavro
