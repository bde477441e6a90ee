#include "sync/SyncEngine.h"

#include "sync/ReconcileGuard.h"

#include <algorithm>

namespace tavro {

void SyncEngine::refreshAccount(std::stop_token session) {
    const auto info = client_.me(session);
    ensureCurrent(session);
    store_.setSyncMeta("user_id", info.user.id);
    store_.setSyncMeta("user_name", info.user.name);
    ledger_.upsertPerson(info.user);
    ledger_.replaceWorkspaces(info.workspaces);
    const auto current = store_.syncMeta("default_workspace_id");
    const bool stillMember = current && std::any_of(info.workspaces.begin(), info.workspaces.end(),
                                                    [&](const Workspace& workspace) {
                                                        return workspace.id == *current;
                                                    });
    if (!stillMember)
        store_.setSyncMeta("default_workspace_id", info.workspaces.empty()
                                                       ? std::nullopt
                                                       : std::optional(info.workspaces.front().id));
    lastAccountRefresh_ = config_.timings.clock();
}

void SyncEngine::reconcileIfDue(std::stop_token session) {
    std::optional<Seconds> last;
    try {
        if (auto text = store_.syncMeta("last_reconcile"))
            last = parseISO8601(*text);
    } catch (const std::exception&) {
        // An unreadable time counts as no reconcile yet, so one runs now.
    }
    if (last && config_.timings.clock() - *last < config_.timings.reconcileAge)
        return;

    const auto sent = ledger_.syncedCaptureIDs();
    const auto reply = client_.reconcile(sent, session);
    ensureCurrent(session);
    int dropped = 0;
    for (const auto& id : reconcileDrops(sent, reply.drop))
        if (ledger_.dropSyncedCapture(id))
            ++dropped;
    if (!reply.missing.empty()) {
        ledger_.log("info", std::to_string(reply.missing.size()) +
                                " captures missing locally; pulling everything again");
        store_.setSyncMeta("cursor", "0");
        scheduler_.want();
    }
    store_.setSyncMeta("last_reconcile", formatISO8601(config_.timings.clock()));
    if (dropped > 0)
        store_.postChange();
}

} // namespace tavro
