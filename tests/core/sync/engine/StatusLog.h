#pragma once

#include "sync/SyncStatus.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tavro::test {

// Every status the engine published, in order.
class StatusLog {
public:
    void add(const SyncStatus& status) {
        std::lock_guard lock(mutex_);
        statuses_.push_back(status);
    }
    void clear() {
        std::lock_guard lock(mutex_);
        statuses_.clear();
    }
    std::vector<SyncStatus> all() const {
        std::lock_guard lock(mutex_);
        return statuses_;
    }
    int count(SyncStatus::Kind kind) const {
        int n = 0;
        for (const auto& status : all())
            n += status.kind == kind;
        return n;
    }
    std::optional<SyncStatus> last() const {
        auto statuses = all();
        return statuses.empty() ? std::nullopt : std::optional(statuses.back());
    }
    // "idle, syncing, offline (reason), ...", for the message of a failed expectation.
    std::string describe() const {
        static constexpr const char* names[] = {"idle",       "offline", "failed",
                                                "signed out", "syncing", "session expired"};
        std::string out;
        for (const auto& status : all()) {
            out += out.empty() ? "" : ", ";
            out += names[static_cast<int>(status.kind)];
            if (!status.message.empty())
                out += " (" + status.message + ")";
        }
        return out;
    }

private:
    mutable std::mutex mutex_;
    std::vector<SyncStatus> statuses_;
};

} // namespace tavro::test
