#include "sync/BlobFailures.h"

#include <algorithm>

namespace tavro {

bool BlobFailures::waiting(const std::string& id, std::string_view shape, Seconds now) const {
    const auto failure = ledger_.transferFailure(transfer_, id);
    if (!failure || failure->shape != shape)
        return false;
    // A clock set back must not stretch the wait beyond its length.
    const Seconds left = failure->retryAt - now;
    return left > 0 && left <= failure->wait;
}

Seconds BlobFailures::failed(const std::string& id, std::string_view shape, Seconds now) {
    auto failure = ledger_.transferFailure(transfer_, id).value_or(SyncLedger::TransferFailure{});
    if (failure.shape != shape)
        failure = SyncLedger::TransferFailure{.shape = std::string(shape)};
    failure.wait = failure.wait > 0 ? std::min(failure.wait * 2, backoff_.cap)
                                    : std::min(backoff_.first, backoff_.cap);
    failure.retryAt = now + failure.wait;
    ledger_.setTransferFailure(transfer_, id, failure);
    return failure.wait;
}

} // namespace tavro
