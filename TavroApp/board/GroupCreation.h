#pragma once

#include "board/NewGroupDraft.h"

#include <QObject>

#include <functional>
#include <string>

namespace tavro {

class Library;

enum class GroupCreation {
    skipped, // the name was blank: nothing written
    written, // stored, or an existing group of that name kept
    failed,  // the store refused
};

struct GroupCreationResult {
    GroupCreation outcome = GroupCreation::skipped;
    std::string error; // why it failed
};

// Writes the draft's group through the facade, which refreshes the board and tells sync, and
// hands the outcome to `done` once known (at once when skipped), unless `context` has gone.
void createGroup(Library& library, const NewGroupDraft& draft, const QObject* context,
                 std::function<void(const GroupCreationResult&)> done);

} // namespace tavro
