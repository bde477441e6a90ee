#include "sync/BlobFailures.h"

#include <algorithm>

namespace tavro {

bool BlobFailures::waiting(const std::string& id, std::string_view shape, Seconds now) const {
    const auto found = entries_.find(id);
    if (found == entries_.end() || found->second.shape != shape)
        return false;
    // A clock set back must not stretch the wait beyond its length.
    const Seconds left = found->second.retryAt - now;
    return left > 0 && left <= found->second.wait;
}

Seconds BlobFailures::failed(const std::string& id, std::string_view shape, Seconds now) {
    Entry& entry = entries_[id];
    if (entry.shape != shape)
        entry = Entry{.shape = std::string(shape)};
    entry.wait = entry.wait > 0 ? std::min(entry.wait * 2, backoff_.cap)
                                : std::min(backoff_.first, backoff_.cap);
    entry.retryAt = now + entry.wait;
    return entry.wait;
}

} // namespace tavro
