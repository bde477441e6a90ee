#include "sync/SyncExchanger.h"

#include "model/Wire.h"

#include <algorithm>
#include <limits>

namespace tavro {

using nlohmann::json;

namespace {

constexpr int retriesPerRow = 5;

std::optional<std::string> text(const json& object, std::string_view key) {
    auto value = Wire::field(object, key);
    if (!value || !value->is_string())
        return std::nullopt;
    return value->get<std::string>();
}

std::optional<std::int64_t> version(const json& result) {
    auto value = Wire::field(result, "version");
    if (!value || !value->is_number_integer())
        return std::nullopt;
    if (value->is_number_unsigned() &&
        value->get<std::uint64_t>() > std::uint64_t(std::numeric_limits<std::int64_t>::max()))
        return std::nullopt;
    return value->get<std::int64_t>();
}

std::vector<std::string> conflicts(const json& result) {
    auto value = Wire::field(result, "conflicts");
    if (!value || !value->is_array())
        return {};
    for (const auto& name : *value)
        if (!name.is_string())
            return {};
    return value->get<std::vector<std::string>>();
}

bool drawingAmong(const std::vector<std::string>& names) {
    return std::any_of(names.begin(), names.end(), [](const std::string& name) {
        return name == "annotation_json" || name == "marked_sha256";
    });
}

std::string joined(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& name : names)
        out += (out.empty() ? "" : ", ") + name;
    return out;
}

} // namespace

bool SyncExchanger::handleResult(const json& result, const PushedRows& pushed) {
    auto id = text(result, "id");
    if (!id)
        return false;
    auto row = pushed.find(*id);
    if (row == pushed.end())
        return false;
    const PushedRow& sent = row->second;
    const std::string status = text(result, "status").value_or("");
    const std::string rowName = sent.table + " " + idTail(*id);

    if (status == "applied" || status == "merged") {
        bool settled = true;
        if (sent.table == "comments")
            ledger_.markCommentSynced(*id);
        else
            settled = ledger_.markSynced(sent.table, sent.pending, version(result), sent.record);
        bool again = false;
        if (status == "merged")
            if (auto names = conflicts(result); !names.empty()) {
                // A drawing cannot be merged: the one made here becomes a screenshot of its own.
                if (settled && sent.table == "capture_images" && drawingAmong(names))
                    again = ledger_.keepDrawingApart(*id).has_value();
                ledger_.log("info", rowName + ": the server's " + joined(names) +
                                        " stood; your version was kept alongside");
            }
        rejections_.erase(*id);
        return again;
    }

    std::optional<std::string> reason = text(result, "reason");
    if (status == "remapped") {
        auto canonical = text(result, "canonical_id");
        if (!canonical)
            return false;
        if (sent.table == "groups" && *canonical != *id) {
            ledger_.remapGroup(*id, *canonical);
            return false;
        }
        if (sent.table == "groups") {
            // The server files the group under the id it was pushed with: it took the push.
            ledger_.markSynced(sent.table, sent.pending, version(result), sent.record);
            rejections_.erase(*id);
            return false;
        }
        // Only groups are merged into another; anything else would otherwise be pushed again
        // in every exchange. It is given up like a change the server refuses.
        reason = "remapped outside groups";
    } else if (Wire::boolean(Wire::field(result, "retry"))) {
        // A screenshot or comment that went with its capture is refused while the capture is;
        // that does not count against it. Once the capture is given up, so are they.
        if (!sent.captureID.empty() && ledger_.captureNotOnService(sent.captureID))
            return ledger_.stillPending(sent.table, *id);
        if (++rejections_[*id] <= retriesPerRow)
            return true;
    }

    rejections_.erase(*id);
    ledger_.log("warn", rowName + " rejected: " + reason.value_or("rejected"));
    if (sent.table == "captures" && sent.isNew)
        ledger_.markLocalOnly(*id);
    else if (sent.table == "comments" || (sent.table == "capture_images" && sent.isNew))
        ledger_.keepUnsent(sent.table, *id); // the service never had it: it stays here alone
    else
        ledger_.markSynced(sent.table, sent.pending, std::nullopt, sent.record);
    return false;
}

} // namespace tavro
