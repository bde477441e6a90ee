#include "sync/PassFailure.h"

#include "sync/SyncError.h"

namespace tavro {

namespace {

PassFailure failed(std::string description) {
    return {.status = {.kind = SyncStatus::Kind::failed, .message = description},
            .log = PassFailure::LogLine{"error", description}};
}

} // namespace

PassFailure PassFailure::from(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const SyncError& e) {
        switch (e.code()) {
        case SyncError::Code::offline:
            return {.status = {.kind = SyncStatus::Kind::offline, .message = e.detail()}};
        case SyncError::Code::unauthorized:
            return {.status = {.kind = SyncStatus::Kind::sessionExpired},
                    .log = LogLine{"warn", sessionRejectedLine},
                    .sessionRejected = true};
        default:
            return failed(e.what());
        }
    } catch (const std::exception& e) {
        return failed(e.what());
    } catch (...) {
        return failed("Unexpected error.");
    }
}

} // namespace tavro
