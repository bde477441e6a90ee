#include "sync/SyncExchanger.h"

#include "model/Uuid.h"
#include "model/Wire.h"
#include "sync/PushBatch.h"
#include "sync/SyncProtocol.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <set>

namespace tavro {

using nlohmann::json;

namespace {

constexpr std::size_t maxFullGroups = 50;
constexpr std::string_view workspaceResetPrefix = "workspace:";

using Applier = void (SyncLedger::*)(const json&);
struct PulledTable {
    std::string_view name;
    Applier apply;
};
// Parents before the rows that point at them.
constexpr std::array<PulledTable, 6> pulledTables{{
    {"groups", &SyncLedger::applyRemoteGroup},
    {"group_members", &SyncLedger::applyRemoteGroupMember},
    {"captures", &SyncLedger::applyRemoteCapture},
    {"capture_images", &SyncLedger::applyRemoteImage},
    {"comments", &SyncLedger::applyRemoteComment},
    {"activity", &SyncLedger::applyRemoteActivity},
}};

std::int64_t storedCursor(const CaptureStore& store) {
    auto text = store.syncMeta("cursor");
    if (!text)
        return 0;
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
    return error == std::errc() && end == text->data() + text->size() ? value : 0;
}

size_t arraySize(const json* value) {
    return value && value->is_array() ? value->size() : 0;
}

std::optional<std::string> text(const json& object, std::string_view key) {
    auto value = Wire::field(object, key);
    if (!value || !value->is_string())
        return std::nullopt;
    return value->get<std::string>();
}

void logSkipped(SyncLedger& ledger, size_t count, std::string_view what) {
    if (count > 0)
        ledger.log("warn", "Skipped " + std::to_string(count) + " " + std::string(what));
}

// Rows are applied a bounded run per transaction, so the app never waits on a whole reply
// while a commit per row does not cost more than the row; each row has a savepoint of its own,
// so one that cannot be applied costs only itself. The reply's rows go table by table, each
// table's found by walking the reply's index again (a list of them would cost as much memory as
// the index itself), and parsed one at a time as they are applied. Gives the workspaces the rows
// name.
std::set<std::string> applyPulledRows(SyncLedger& ledger, const SyncReply& reply,
                                      std::stop_token session) {
    std::set<std::string> workspaces;
    constexpr size_t rowsPerTransaction = 100;
    const size_t count = reply.changeCount();
    size_t unusable = 0;
    for (size_t index = 0; index < count; ++index) {
        const auto table = reply.changeTable(index);
        unusable += !table || std::none_of(pulledTables.begin(), pulledTables.end(),
                                           [&](const auto& t) { return t.name == *table; });
    }
    logSkipped(ledger, unusable, "pulled changes of no known table or without a row");

    for (const PulledTable& pulled : pulledTables) {
        const auto next = [&](size_t from) {
            while (from < count && reply.changeTable(from) != pulled.name)
                ++from;
            return from;
        };
        for (size_t index = next(0); index < count;) {
            if (session.stop_requested())
                return workspaces;
            ledger.store().db().transaction([&] {
                for (size_t taken = 0; index < count && taken < rowsPerTransaction;
                     index = next(index + 1), ++taken) {
                    try {
                        const json item = reply.change(index);
                        const json& row = *Wire::field(item, "row");
                        if (auto workspace = text(row, "workspace_id"))
                            workspaces.insert(std::move(*workspace));
                        (ledger.*pulled.apply)(row);
                    } catch (const std::exception& error) {
                        ledger.log("warn", "Couldn't apply " + std::string(pulled.name) +
                                               " row: " + error.what());
                    }
                }
            });
        }
    }
    return workspaces;
}

// Ids the server names for removal: only id-shaped text reaches the store.
std::vector<std::string> usableIDs(SyncLedger& ledger, const json* value, std::string_view what) {
    std::vector<std::string> ids;
    size_t unusable = 0;
    for (auto& id : Wire::strings(value)) {
        if (Wire::isID(id))
            ids.push_back(std::move(id));
        else
            ++unusable;
    }
    logSkipped(ledger, unusable, what);
    return ids;
}

// Lists of the reply that came as something else are read as empty; the log says which.
void logMistyped(SyncLedger& ledger, const json& fields) {
    std::string keys;
    for (const char* key : {"results", "people", "changes", "resync_groups", "dropped_captures",
                            "dropped_workspaces"})
        if (auto value = Wire::field(fields, key); value && !value->is_null() && !value->is_array())
            keys += (keys.empty() ? "" : ", ") + std::string(key);
    if (!keys.empty())
        ledger.log("warn", "Skipped reply fields that are not lists: " + keys);
}

} // namespace

SyncExchanger::SyncExchanger(CaptureStore& store, SyncLedger& ledger, SyncClient& client,
                             ScreenshotBlobs& blobs, RefreshAccount refreshAccount)
    : store_(store)
    , ledger_(ledger)
    , client_(client)
    , blobs_(blobs)
    , refreshAccount_(std::move(refreshAccount)) {}

void SyncExchanger::ensureCurrent(std::stop_token session) {
    if (session.stop_requested())
        throw Abandoned{};
}

void SyncExchanger::beginPass() {
    workspaceResetDone_ = false;
}

void SyncExchanger::endPass() {
    readAhead_.drop();
}

bool SyncExchanger::cycle(std::stop_token session, int exchangesLeft) {
    // A page asked for ahead carried no local changes: those wait for the next exchange.
    const bool askedAhead = readAhead_.active();
    const PushBatch batch = collect(askedAhead, session);
    ensureCurrent(session);

    const auto storedDeviceID = store_.syncMeta("device_id");
    const std::string deviceID = storedDeviceID ? *storedDeviceID : makeUUID();
    const std::vector<std::string> fullGroups = takeFullGroups(askedAhead);
    const json body = {{"changes", batch.changes},
                       {"cursor", storedCursor(store_)},
                       {"device_id", deviceID},
                       {"full_groups", fullGroups}};

    const SyncReply reply = send(body, fullGroups, askedAhead, session);
    const json& fields = reply.fields();
    logMistyped(ledger_, fields);
    readAheadIfPullOnly(reply, batch, deviceID, askedAhead, exchangesLeft, session);
    const bool resultsAskAgain = applyResults(fields, batch);

    ensureCurrent(session);
    applyPeople(fields);
    const auto carried = applyPulledRows(ledger_, reply, session);
    ensureCurrent(session);
    storeCursor(fields);
    const bool workspaceResetAsked = applyGroupResyncs(fields);
    applyDrops(fields, carried, session);
    const bool workspaceReset = restartPull(workspaceResetAsked, session);

    if (reply.changeCount() > 0 || !batch.changes.empty())
        store_.postChange();

    return Wire::boolean(Wire::field(fields, "more")) || !fullGroupsQueue_.empty() ||
           workspaceReset || resultsAskAgain || batch.cut;
}

PushBatch SyncExchanger::collect(bool askedAhead, std::stop_token session) {
    if (askedAhead)
        return PushBatch{};
    return collectPush(ledger_,
                       [&](const CaptureImage& image) { blobs_.ensureBlobs(image, session); });
}

std::vector<std::string> SyncExchanger::takeFullGroups(bool askedAhead) {
    const size_t taken = askedAhead ? 0 : std::min(fullGroupsQueue_.size(), maxFullGroups);
    std::vector<std::string> fullGroups(fullGroupsQueue_.begin(), fullGroupsQueue_.begin() + taken);
    fullGroupsQueue_.erase(fullGroupsQueue_.begin(), fullGroupsQueue_.begin() + taken);
    return fullGroups;
}

SyncReply SyncExchanger::send(const json& body, const std::vector<std::string>& fullGroups,
                              bool askedAhead, std::stop_token session) {
    try {
        SyncReply reply = askedAhead ? readAhead_.take() : client_.sync(body, session);
        ensureCurrent(session);
        return reply;
    } catch (...) {
        // The groups are asked for again by the next request that gets through.
        for (auto it = fullGroups.rbegin(); it != fullGroups.rend(); ++it)
            if (std::find(fullGroupsQueue_.begin(), fullGroupsQueue_.end(), *it) ==
                fullGroupsQueue_.end())
                fullGroupsQueue_.insert(fullGroupsQueue_.begin(), *it);
        throw;
    }
}

void SyncExchanger::readAheadIfPullOnly(const SyncReply& reply, const PushBatch& batch,
                                        const std::string& deviceID, bool askedAhead,
                                        int exchangesLeft, std::stop_token session) {
    // A cursor is still stored only once its page is.
    if (!askedAhead && exchangesLeft > 0 && batch.changes.empty() && !batch.cut &&
        fullGroupsQueue_.empty())
        if (auto next = nextPullRequest(reply, deviceID))
            readAhead_.start(
                std::move(*next),
                [this](const json& request, std::stop_token stop) {
                    return client_.sync(request, stop);
                },
                [deviceID](const SyncReply& page) { return nextPullRequest(page, deviceID); },
                exchangesLeft, session);
}

bool SyncExchanger::applyResults(const json& fields, const PushBatch& batch) {
    // One transaction for all the results of a reply: they are many small writes.
    const json* results = Wire::field(fields, "results");
    auto resultObjects = SyncProtocol::objects(results);
    size_t unmatched = arraySize(results) - resultObjects.size();
    // A capture's verdict first: whether a refusal of its screenshots and comments counts
    // depends on it.
    std::stable_partition(resultObjects.begin(), resultObjects.end(), [&](const json& result) {
        const auto id = text(result, "id");
        const auto row = id ? batch.rows.find(*id) : batch.rows.end();
        return row == batch.rows.end() || row->second.captureID.empty();
    });
    const bool askAgain = store_.db().transaction([&] {
        bool again = false;
        for (const auto& result : resultObjects) {
            auto id = text(result, "id");
            if (!id || !batch.rows.count(*id)) {
                ++unmatched;
                continue;
            }
            again = handleResult(result, batch.rows) || again;
        }
        return again;
    });
    logSkipped(ledger_, unmatched, "push results that name no row of this push");
    return askAgain;
}

void SyncExchanger::applyPeople(const json& fields) {
    for (const auto& person : SyncProtocol::objects(Wire::field(fields, "people")))
        ledger_.applyRemotePerson(person);
}

void SyncExchanger::storeCursor(const json& fields) {
    store_.setSyncMeta("cursor", std::to_string(Wire::integer(Wire::field(fields, "cursor"))));
}

bool SyncExchanger::applyGroupResyncs(const json& fields) {
    bool workspaceReset = false;
    size_t unusableGroups = 0;
    for (const auto& entry : SyncProtocol::objects(Wire::field(fields, "resync_groups"))) {
        auto id = text(entry, "id");
        if (!id)
            continue;
        if (text(entry, "mode") == "drop") {
            if (Wire::isID(*id))
                ledger_.dropGroup(*id);
            else
                ++unusableGroups;
        } else if (id->starts_with(workspaceResetPrefix)) {
            workspaceReset = true;
        } else if (!Wire::isID(*id)) {
            ++unusableGroups;
        } else if (std::find(fullGroupsQueue_.begin(), fullGroupsQueue_.end(), *id) ==
                   fullGroupsQueue_.end()) {
            fullGroupsQueue_.push_back(*id);
        }
    }
    logSkipped(ledger_, unusableGroups, "group resyncs for ids that are not ids");
    return workspaceReset;
}

void SyncExchanger::applyDrops(const json& fields, const std::set<std::string>& carried,
                               std::stop_token session) {
    for (const auto& id : usableIDs(ledger_, Wire::field(fields, "dropped_captures"),
                                    "dropped captures whose ids are not ids"))
        ledger_.dropCapture(id);
    dropWorkspaces(usableIDs(ledger_, Wire::field(fields, "dropped_workspaces"),
                             "dropped workspaces whose ids are not ids"),
                   carried, session);
}

bool SyncExchanger::restartPull(bool asked, std::stop_token session) {
    // A server that asks for a fresh pull in every reply would otherwise restart the pull for
    // the whole pass.
    if (!asked || workspaceResetDone_)
        return false;
    workspaceResetDone_ = true;
    store_.setSyncMeta("cursor", "0");
    refreshAccount_(session);
    return true;
}

void SyncExchanger::dropWorkspaces(const std::vector<std::string>& ids,
                                   const std::set<std::string>& carried, std::stop_token session) {
    if (ids.empty())
        return;
    std::map<std::string, std::string> names;
    for (const auto& workspace : store_.workspaces())
        names[workspace.id] = workspace.name;
    const auto named = [&](const std::string& id) {
        const auto found = names.find(id);
        return found != names.end() ? "workspace " + found->second : "workspace " + idTail(id);
    };
    // A member taken out and let back in is named for removal while the same reply brings the
    // workspace back: the rows, or the account as the service lists it now, tell.
    std::vector<std::string> leaving;
    for (const auto& id : ids) {
        if (carried.count(id))
            ledger_.log("info", "Kept " + named(id) +
                                    ": the service named it as left but still sends what is in it");
        else
            leaving.push_back(id);
    }
    if (leaving.empty())
        return;
    refreshAccount_(session);
    std::set<std::string> listed;
    for (const auto& workspace : store_.workspaces())
        listed.insert(workspace.id);
    for (const auto& id : leaving) {
        if (listed.count(id)) {
            ledger_.log("info",
                        "Kept " + named(id) +
                            ": the service named it as left but your account still lists it");
            continue;
        }
        ledger_.dropWorkspace(id);
        ledger_.log("info",
                    "Removed " + named(id) + " from this computer: you are no longer a member");
    }
}

std::optional<json> SyncExchanger::nextPullRequest(const SyncReply& reply,
                                                   const std::string& deviceID) {
    const json& fields = reply.fields();
    if (!Wire::boolean(Wire::field(fields, "more")) ||
        !SyncProtocol::objects(Wire::field(fields, "resync_groups")).empty())
        return std::nullopt;
    return json{{"changes", json::array()},
                {"cursor", Wire::integer(Wire::field(fields, "cursor"))},
                {"device_id", deviceID},
                {"full_groups", json::array()}};
}

} // namespace tavro
