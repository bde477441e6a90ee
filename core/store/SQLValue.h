#pragma once

#include "model/Time.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavro {

using Blob = std::vector<std::uint8_t>;

// One SQLite value, one alternative per storage class.
class SQLValue {
public:
    using Storage = std::variant<std::int64_t, double, std::string, Blob, std::monostate>;

    SQLValue()
        : value_(std::monostate{}) {}
    SQLValue(std::nullptr_t)
        : value_(std::monostate{}) {}
    SQLValue(int value)
        : value_(std::int64_t(value)) {}
    SQLValue(std::int64_t value)
        : value_(value) {}
    SQLValue(double value)
        : value_(value) {}
    SQLValue(std::string value)
        : value_(std::move(value)) {}
    SQLValue(std::string_view value)
        : value_(std::string(value)) {}
    SQLValue(const char* value)
        : value_(std::string(value)) {}
    SQLValue(Blob value)
        : value_(std::move(value)) {}
    SQLValue(const std::optional<std::string>& value)
        : value_(value ? Storage(*value) : Storage(std::monostate{})) {}
    SQLValue(bool) = delete; // flags go through flag(): 1 or 0, never an accidental conversion

    static SQLValue flag(bool value) { return SQLValue(std::int64_t(value ? 1 : 0)); }
    static SQLValue date(std::optional<Seconds> value) {
        return value ? SQLValue(*value) : SQLValue();
    }
    static SQLValue string(const std::optional<std::string>& value) { return SQLValue(value); }

    const Storage& storage() const { return value_; }
    bool isNull() const { return std::holds_alternative<std::monostate>(value_); }

    bool operator==(const SQLValue&) const = default;

private:
    Storage value_;
};

} // namespace tavro
