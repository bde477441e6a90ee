#include "store/CaptureStore.h"

#include "model/Uuid.h"
#include "store/CaptureColumns.h"

namespace tavro {

Capture CaptureStore::decodeCapture(const Row& row) {
    const Seconds fallbackTime = now();
    Capture c;
    auto id = row.string("id");
    c.id = id ? *id : makeUUID();
    for (const auto& column : CaptureColumns::all())
        CaptureColumns::decode(column, row, c, fallbackTime);
    return c;
}

std::optional<Capture> CaptureStore::capture(std::string_view id) const {
    auto rows = db_->query("SELECT * FROM captures WHERE id = ? AND deleted_at IS NULL;", {id});
    if (rows.empty())
        return std::nullopt;
    return decodeCapture(rows.front());
}

std::optional<Capture> CaptureStore::rawCapture(std::string_view id) const {
    auto rows = db_->query("SELECT * FROM captures WHERE id = ?;", {id});
    if (rows.empty())
        return std::nullopt;
    return decodeCapture(rows.front());
}

} // namespace tavro
