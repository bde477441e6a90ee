#pragma once

#include "ledger/SyncLedger.h"

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tavro {

// One row sent in a push: what the server's result for it is applied to.
struct PushedRow {
    std::string table;                    // "groups", "captures", "capture_images" or "comments"
    bool isNew = false;                   // sent whole; always for comments
    SyncLedger::Pending pending;          // as listed, so a later edit keeps the row pending
    std::optional<nlohmann::json> record; // as sent
    std::string captureID;                // of a screenshot or comment: the row it waits for
};

using PushedRows = std::unordered_map<std::string, PushedRow>;

// The local changes of one exchange, in the order groups, captures, screenshots, comments.
struct PushBatch {
    static constexpr std::int64_t rowsPerTable = 200;
    static constexpr std::size_t maxChanges = 500;
    // Pages of screenshots listed in one exchange when those at the head are held back.
    static constexpr int imagePages = 10;

    std::vector<nlohmann::json> changes;
    PushedRows rows;
    // More was waiting than one request carries (the list was cut, or a table's listing was
    // full): another exchange takes the rest.
    bool cut = false;
};

// Makes sure the service holds a screenshot's files and records their hashes on its row; throws
// when it cannot.
using EnsureBlobs = std::function<void(const CaptureImage&)>;

// Reads the pending rows and builds their push records. Rows with nothing left to send are
// marked synced on the way. A screenshot whose files cannot be made ready stays pending and is
// left out; a SyncError other than uploads being switched off is thrown, as is every store
// error. Once the batch is full nothing more is read or uploaded. Screenshots left out do not
// take the places of newer ones: the listing goes on past them, a page at a time. Screenshots
// and comments go only once the service has their capture, or after it in the same request.
PushBatch collectPush(SyncLedger& ledger, const EnsureBlobs& ensureBlobs);

// The last 8 characters of an id, as log lines name rows.
std::string idTail(std::string_view id);

} // namespace tavro
