#include "account/SyncStatusLine.h"

#include "ui/RelativeTime.h"

namespace tavro {

std::string syncStatusLine(const SyncStatus& status, Seconds now) {
    using Kind = SyncStatus::Kind;
    switch (status.kind) {
    case Kind::idle:
        if (!status.lastSync)
            return "Synced";
        return "Synced " + RelativeTime::string(*status.lastSync, now).toStdString();
    case Kind::offline:
        return "Offline — " + status.message;
    case Kind::failed:
        return "Sync problem — " + status.message;
    case Kind::signedOut:
        return "Not signed in";
    case Kind::syncing:
        return "Syncing…";
    case Kind::sessionExpired:
        return "Signed out — sign in again to keep syncing";
    }
    return {};
}

} // namespace tavro
