#pragma once

#include "model/BoardRecords.h"

#include <string>
#include <vector>

namespace tavro {

// The one line of the detail pane's history for an event; an "assigned" event names the
// assignee from `people` by the id in its detail.
std::string eventDescription(const ActivityEvent& event, const std::vector<Person>& people);

} // namespace tavro
