#pragma once

#include "model/Time.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace tavro {

// How long a screenshot whose files keep failing to move waits before it is tried again: the
// first wait after one failure, doubled with each further failure, never above the cap.
struct BlobBackoff {
    Seconds first = 30;
    Seconds cap = 3'600;
};

// The screenshots whose transfers failed, each with its next try. An entry belongs to what the
// screenshot looked like when it failed (its `shape`: paths or hashes): once that changes, the
// screenshot is tried again at once.
class BlobFailures {
public:
    explicit BlobFailures(BlobBackoff backoff = {})
        : backoff_(backoff) {}

    // The screenshot failed before and its wait has not run out.
    bool waiting(const std::string& id, std::string_view shape, Seconds now) const;
    // Starts the next, longer wait; gives its length.
    Seconds failed(const std::string& id, std::string_view shape, Seconds now);
    void succeeded(const std::string& id) { entries_.erase(id); }
    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        std::string shape;
        Seconds wait = 0;
        Seconds retryAt = 0;
    };

    BlobBackoff backoff_;
    std::map<std::string, Entry, std::less<>> entries_;
};

} // namespace tavro
