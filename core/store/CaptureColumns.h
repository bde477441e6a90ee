#pragma once

#include "model/Capture.h"
#include "store/Row.h"
#include "store/SQLValue.h"

#include <nlohmann/json.hpp>

#include <span>
#include <string_view>
#include <variant>

namespace tavro {

// A time that is always there, told apart from the plain number display_scale.
struct CaptureTime {
    Seconds Capture::*member;
};

using CaptureField =
    std::variant<std::string Capture::*, std::optional<std::string> Capture::*,
                 std::int64_t Capture::*, double Capture::*, bool Capture::*, CaptureTime,
                 std::optional<Seconds> Capture::*, CaptureStatus Capture::*,
                 CapturePriority Capture::*, CaptureMode Capture::*, SyncState Capture::*>;

struct CaptureColumn {
    // What the store does with a column besides reading and inserting it.
    enum Use : unsigned {
        // Rewritten by a local edit of the capture.
        edited = 1u << 0,
        // Sent in the push record under its wire key; an edit that changes it marks it pending.
        pushed = 1u << 1,
        // Taken from the server's row unless a pending local edit holds it back.
        merged = 1u << 2,
        // Taken from the server's row whatever is pending.
        mirrored = 1u << 3,
    };

    std::string_view column;
    CaptureField field;
    // The key on the sync wire; empty for a column that never travels.
    std::string_view wireKey;
    unsigned uses = 0;

    bool has(Use use) const { return (uses & use) != 0; }
};

namespace CaptureColumns {

// Every column of the captures table except the key "id" and the pending mark.
std::span<const CaptureColumn> all();

SQLValue bind(const CaptureColumn& column, const Capture& capture);
// A missing or unreadable value reads as the record's default; a missing time as `fallback`.
void decode(const CaptureColumn& column, const Row& row, Capture& capture, Seconds fallback);
// Texts compare by their canonical form, so a change of Unicode normalisation alone is none.
bool same(const CaptureColumn& column, const Capture& a, const Capture& b);
nlohmann::json toWire(const CaptureColumn& column, const Capture& capture);
// The value to store from a server's row: a missing text reads as the record's default.
SQLValue fromWire(const CaptureColumn& column, const nlohmann::json& row);

} // namespace CaptureColumns

} // namespace tavro
