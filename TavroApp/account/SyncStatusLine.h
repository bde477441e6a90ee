#pragma once

#include "model/Time.h"
#include "sync/SyncStatus.h"

#include <string>

namespace tavro {

// The one line that describes a sync status, e.g. "Synced 5m ago" or "Offline — no network";
// the age is taken at `now`.
std::string syncStatusLine(const SyncStatus& status, Seconds now);

} // namespace tavro
