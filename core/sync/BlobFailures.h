#pragma once

#include "ledger/SyncLedger.h"
#include "model/Time.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace tavro {

// How long a screenshot whose files keep failing to move waits before it is tried again: the
// first wait after one failure, doubled with each further failure, never above the cap.
struct BlobBackoff {
    Seconds first = 30;
    Seconds cap = 3'600;
};

// The screenshots whose transfers one way failed, each with its next try, kept in the library so
// that a restart does not try them all again at once. An entry belongs to what the screenshot
// looked like when it failed (its `shape`: paths or hashes): once that changes, the screenshot
// is tried again at once.
class BlobFailures {
public:
    BlobFailures(SyncLedger& ledger, SyncLedger::Transfer transfer, BlobBackoff backoff = {})
        : ledger_(ledger)
        , transfer_(transfer)
        , backoff_(backoff) {}

    // The screenshot failed before and its wait has not run out.
    bool waiting(const std::string& id, std::string_view shape, Seconds now) const;
    // Starts the next, longer wait; gives its length.
    Seconds failed(const std::string& id, std::string_view shape, Seconds now);
    void succeeded(const std::string& id) { ledger_.clearTransferFailure(transfer_, id); }
    // The screenshots still waiting to be tried again (uploads only while still to be pushed).
    std::size_t size() const { return std::size_t(ledger_.transferFailureCount(transfer_)); }

private:
    SyncLedger& ledger_;
    SyncLedger::Transfer transfer_;
    BlobBackoff backoff_;
};

} // namespace tavro
