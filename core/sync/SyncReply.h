#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// A reply of the sync exchange, checked whole as JSON before anything of it is used, with the
// elements of its "changes" list kept as their text and parsed one at a time as they are
// applied: a reply of many thousands of rows never holds them all parsed at once.
class SyncReply {
public:
    // Throws SyncError::decode() unless the body is a JSON object nested no deeper than
    // Wire::maxNesting. Bytes that are not UTF-8 read as U+FFFD.
    explicit SyncReply(std::string body);

    // The size of the reply's text.
    std::size_t bytes() const { return body_.size(); }
    // Every member but a "changes" list (one of another kind stays here).
    const nlohmann::json& fields() const { return fields_; }
    // The elements of the "changes" list, of any kind, in order.
    std::size_t changeCount() const { return changes_.size(); }
    nlohmann::json change(std::size_t index) const;
    // The "table" of a change that is an object with a text "table" and an object "row", read
    // without parsing the change; nothing for any other.
    std::optional<std::string_view> changeTable(std::size_t index) const;

private:
    // A reply may hold hundreds of thousands of changes: each is kept small, its table named by
    // its place in `tables_`.
    struct Change {
        std::uint32_t offset = 0; // in body_
        std::uint32_t length = 0;
        std::uint32_t table = noTable;
    };
    static constexpr std::uint32_t noTable = 0xFFFFFFFF;

    std::string body_;
    nlohmann::json fields_ = nlohmann::json::object();
    // Grown in blocks, so that it never holds an old copy beside a new one as it grows.
    std::deque<Change> changes_;
    std::vector<std::string> tables_; // each named once
};

} // namespace tavro
