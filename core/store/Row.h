#pragma once

#include "store/SQLValue.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// One result row. Columns are looked up by the name SQLite reports (the alias after AS); when
// two columns share a name the later one wins. No reader converts between text and numbers.
class Row {
public:
    Row() = default;
    Row(std::shared_ptr<const std::vector<std::string>> columns, std::vector<SQLValue> values);

    const SQLValue* value(std::string_view column) const;

    std::optional<std::string> string(std::string_view column) const;
    std::optional<std::int64_t> intValue(std::string_view column) const;
    std::optional<double> doubleValue(std::string_view column) const;
    std::optional<Seconds> date(std::string_view column) const;
    bool boolValue(std::string_view column) const;
    std::optional<Blob> data(std::string_view column) const;

    const std::vector<std::string>& columns() const;
    const std::vector<SQLValue>& values() const { return values_; }

private:
    std::shared_ptr<const std::vector<std::string>> columns_;
    std::vector<SQLValue> values_;
};

} // namespace tavro
