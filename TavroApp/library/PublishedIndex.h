#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tavro {

// The positions of a published list's records by id: a look-up that costs the same however long
// the list is. The first of two records with one id is the one found, as a search from the front
// would find it.
class PublishedIndex {
public:
    PublishedIndex() = default;
    template <class Record> explicit PublishedIndex(const std::vector<Record>& records) {
        positions_.reserve(records.size());
        for (std::size_t i = 0; i < records.size(); ++i)
            positions_.emplace(records[i].id, i);
    }

    // The record with this id in `records`, the list the index was made from; null when none.
    template <class Record>
    const Record* find(const std::vector<Record>& records, std::string_view id) const {
        const auto found = positions_.find(id);
        return found == positions_.end() ? nullptr : &records[found->second];
    }

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const {
            return std::hash<std::string_view>{}(text);
        }
    };
    std::unordered_map<std::string, std::size_t, Hash, std::equal_to<>> positions_;
};

} // namespace tavro
