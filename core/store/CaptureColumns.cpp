#include "store/CaptureColumns.h"

#include "model/FieldCount.h"
#include "model/Text.h"
#include "model/Wire.h"
#include "store/EnumColumn.h"
#include "store/ServerRow.h"

#include <array>
#include <cmath>
#include <type_traits>

namespace tavro {

namespace {

using C = Capture;
constexpr unsigned edited = CaptureColumn::edited;
constexpr unsigned pushed = CaptureColumn::pushed;
constexpr unsigned merged = CaptureColumn::merged;
constexpr unsigned mirrored = CaptureColumn::mirrored;
constexpr unsigned local = edited;
constexpr unsigned shared = edited | pushed | merged;

// In the record's field order.
constexpr std::array columns{
    CaptureColumn{"created_at", CaptureTime{&C::createdAt}, "created_at", pushed},
    CaptureColumn{"updated_at", CaptureTime{&C::updatedAt}, "updated_at", edited | mirrored},
    CaptureColumn{"note", &C::note, "note", shared},
    CaptureColumn{"status", &C::status, "status", shared},
    CaptureColumn{"priority", &C::priority, "priority", shared},
    CaptureColumn{"group_id", &C::groupID, "group_id", shared},
    CaptureColumn{"image_path", &C::imagePath, "", 0},
    CaptureColumn{"thumb_path", &C::thumbPath, "", local},
    CaptureColumn{"image_width", &C::imageWidth, "", 0},
    CaptureColumn{"image_height", &C::imageHeight, "", 0},
    CaptureColumn{"image_bytes", &C::imageBytes, "", 0},
    CaptureColumn{"capture_mode", &C::captureMode, "capture_mode", pushed | merged},
    CaptureColumn{"app_name", &C::appName, "app_name", shared},
    CaptureColumn{"app_bundle_id", &C::appBundleID, "app_bundle_id", shared},
    CaptureColumn{"window_title", &C::windowTitle, "window_title", shared},
    CaptureColumn{"url", &C::url, "url", shared},
    CaptureColumn{"display_name", &C::displayName, "display_name", pushed | merged},
    CaptureColumn{"display_scale", &C::displayScale, "display_scale", pushed | merged},
    CaptureColumn{"claimed_by", &C::claimedBy, "claimed_label", shared},
    CaptureColumn{"claimed_at", &C::claimedAt, "claimed_at", shared},
    CaptureColumn{"resolved_at", &C::resolvedAt, "resolved_at", shared},
    CaptureColumn{"resolution_ref", &C::resolutionRef, "resolution_ref", shared},
    CaptureColumn{"remote_id", &C::remoteID, "", 0},
    CaptureColumn{"sync_state", &C::syncState, "", 0},
    CaptureColumn{"dirty", &C::dirty, "", local},
    // A deletion travels as a record of its own, never as a field.
    CaptureColumn{"deleted_at", &C::deletedAt, "", local},
    CaptureColumn{"workspace_id", &C::workspaceID, "workspace_id", pushed | mirrored},
    CaptureColumn{"author_id", &C::authorID, "author_id", mirrored},
    CaptureColumn{"assignee_id", &C::assigneeID, "assignee_id", shared},
    CaptureColumn{"claimed_by_id", &C::claimedByID, "claimed_by_id", shared},
    CaptureColumn{"version", &C::version, "version", mirrored},
    CaptureColumn{"local_only", &C::localOnly, "", local},
};
static_assert(columns.size() + 1 == aggregateFieldCount<Capture>(),
              "give the new Capture field its column (the id is the key)");

template <class T> constexpr bool isEnum = std::is_enum_v<T>;

const Capture& defaults() {
    static const Capture record;
    return record;
}

template <class F> auto visitField(const CaptureColumn& column, F&& f) {
    return std::visit(std::forward<F>(f), column.field);
}

} // namespace

namespace CaptureColumns {

std::span<const CaptureColumn> all() {
    return columns;
}

SQLValue bind(const CaptureColumn& column, const Capture& c) {
    return visitField(column, [&](auto member) -> SQLValue {
        using M = decltype(member);
        if constexpr (std::is_same_v<M, CaptureTime>) {
            return c.*member.member;
        } else {
            const auto& value = c.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, bool>)
                return SQLValue::flag(value);
            else if constexpr (std::is_same_v<T, std::optional<Seconds>>)
                return SQLValue::date(value);
            else if constexpr (isEnum<T>)
                return rawValue(value);
            else
                return value;
        }
    });
}

void decode(const CaptureColumn& column, const Row& row, Capture& c, Seconds fallback) {
    const std::string_view name = column.column;
    visitField(column, [&](auto member) {
        using M = decltype(member);
        if constexpr (std::is_same_v<M, CaptureTime>) {
            c.*member.member = row.date(name).value_or(fallback);
        } else {
            auto& value = c.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::string>)
                value = row.string(name).value_or("");
            else if constexpr (std::is_same_v<T, std::optional<std::string>>)
                value = row.string(name);
            else if constexpr (std::is_same_v<T, std::int64_t>)
                value = row.intValue(name).value_or(0);
            else if constexpr (std::is_same_v<T, double>)
                value = row.doubleValue(name).value_or(0);
            else if constexpr (std::is_same_v<T, bool>)
                value = row.boolValue(name);
            else if constexpr (std::is_same_v<T, std::optional<Seconds>>)
                value = row.date(name);
            else
                value = enumColumn(row, name, defaults().*member);
        }
    });
}

bool same(const CaptureColumn& column, const Capture& a, const Capture& b) {
    return visitField(column, [&](auto member) -> bool {
        using M = decltype(member);
        if constexpr (std::is_same_v<M, CaptureTime>) {
            return a.*member.member == b.*member.member;
        } else {
            const auto& x = a.*member;
            const auto& y = b.*member;
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::string>)
                return text::canonicallyEqual(x, y);
            else if constexpr (std::is_same_v<T, std::optional<std::string>>)
                return x && y ? text::canonicallyEqual(*x, *y) : x.has_value() == y.has_value();
            else
                return x == y;
        }
    });
}

nlohmann::json toWire(const CaptureColumn& column, const Capture& c) {
    using nlohmann::json;
    return visitField(column, [&](auto member) -> json {
        using M = decltype(member);
        if constexpr (std::is_same_v<M, CaptureTime>) {
            return Wire::stamp(c.*member.member);
        } else {
            const auto& value = c.*member;
            using T = std::decay_t<decltype(value)>;
            if constexpr (std::is_same_v<T, std::optional<std::string>>)
                return value ? json(*value) : json(nullptr);
            else if constexpr (std::is_same_v<T, std::optional<Seconds>>)
                return Wire::stamp(value);
            else if constexpr (std::is_same_v<T, double>)
                // An infinity read back from the file would go out as null.
                return std::isfinite(value) ? value : 0.0;
            else if constexpr (isEnum<T>)
                return rawValue(value);
            else
                return value;
        }
    });
}

SQLValue fromWire(const CaptureColumn& column, const nlohmann::json& row) {
    const std::string_view key = column.wireKey;
    return visitField(column, [&](auto member) -> SQLValue {
        using M = decltype(member);
        if constexpr (std::is_same_v<M, CaptureTime>) {
            return ServerRow::dateOr(row, key, now());
        } else {
            using T = std::decay_t<decltype(defaults().*member)>;
            if constexpr (std::is_same_v<T, std::string>)
                return ServerRow::textOr(row, key, "");
            else if constexpr (std::is_same_v<T, std::optional<std::string>>)
                return SQLValue(Wire::str(Wire::field(row, key)));
            else if constexpr (std::is_same_v<T, std::int64_t>)
                return Wire::integer(Wire::field(row, key));
            else if constexpr (std::is_same_v<T, double>)
                return ServerRow::finiteNumber(row, key);
            else if constexpr (std::is_same_v<T, bool>)
                return SQLValue::flag(Wire::boolean(Wire::field(row, key)));
            else if constexpr (std::is_same_v<T, std::optional<Seconds>>)
                return SQLValue::date(Wire::date(Wire::field(row, key)));
            else
                return ServerRow::textOr(row, key, rawValue(defaults().*member));
        }
    });
}

} // namespace CaptureColumns

} // namespace tavro
