#include "store/CaptureStore.h"

#include "model/Uuid.h"

namespace tavro {

namespace {

struct HistoryEntry {
    std::string kind;
    std::string detail;
    std::string actor;
    bool postsAgain = true;
};

// Reads the live capture, lets `change` edit it and name its history entry, rewrites it and
// records the entry. The whole step is one immediate transaction, so the app and an agent
// server acting on one capture at once never write back each other's stale fields.
template <class Change>
std::optional<Capture> workflowStep(CaptureStore& store, std::string_view id, Change&& change) {
    return store.db().transaction([&]() -> std::optional<Capture> {
        auto capture = store.capture(id);
        if (!capture)
            return std::nullopt;
        HistoryEntry entry = change(*capture);
        store.update(*capture);
        store.recordActivity(std::string(id), entry.kind, entry.detail, entry.actor, makeUUID(),
                             now());
        if (entry.postsAgain)
            store.postChange();
        return store.capture(id);
    });
}

} // namespace

std::optional<Capture> CaptureStore::setStatus(std::string_view id, CaptureStatus status,
                                               std::string_view actor) {
    return workflowStep(*this, id, [&](Capture& capture) {
        const auto before = capture.status;
        capture.status = status;
        if (status == CaptureStatus::resolved) {
            capture.resolvedAt = now();
        } else {
            capture.resolvedAt.reset();
            if (status == CaptureStatus::open) {
                capture.claimedBy.reset();
                capture.claimedAt.reset();
            }
        }
        std::string detail(displayName(before));
        detail += " \u2192 ";
        detail += displayName(status);
        return HistoryEntry{"status_changed", detail, std::string(actor)};
    });
}

std::optional<Capture> CaptureStore::claim(std::string_view id, std::string_view by) {
    return workflowStep(*this, id, [&](Capture& capture) {
        const auto user = currentUserID();
        capture.claimedBy = std::string(by);
        capture.claimedByID = user;
        capture.claimedAt = now();
        if (capture.status == CaptureStatus::open)
            capture.status = CaptureStatus::inProgress;
        if (!capture.assigneeID)
            capture.assigneeID = user;
        return HistoryEntry{"claimed", "", std::string(by)};
    });
}

std::optional<Capture> CaptureStore::assign(std::string_view id,
                                            const std::optional<std::string>& assigneeID,
                                            std::string_view actor) {
    return workflowStep(*this, id, [&](Capture& capture) {
        capture.assigneeID = assigneeID;
        return HistoryEntry{"assigned", assigneeID.value_or(""), std::string(actor), false};
    });
}

std::optional<Capture> CaptureStore::resolve(std::string_view id,
                                             const std::optional<std::string>& reference,
                                             std::string_view actor) {
    return workflowStep(*this, id, [&](Capture& capture) {
        capture.status = CaptureStatus::resolved;
        capture.resolvedAt = now();
        capture.resolutionRef = reference;
        return HistoryEntry{"resolved", reference.value_or(""), std::string(actor)};
    });
}

} // namespace tavro
