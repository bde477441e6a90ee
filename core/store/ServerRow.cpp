#include "store/ServerRow.h"

#include "model/Wire.h"
#include "store/CaptureStore.h"

#include <cmath>

namespace tavro::ServerRow {

std::optional<std::string> text(const nlohmann::json& row, std::string_view key) {
    auto value = Wire::field(row, key);
    if (!value || !value->is_string())
        return std::nullopt;
    return value->get<std::string>();
}

std::string textOr(const nlohmann::json& row, std::string_view key, std::string_view fallback) {
    return text(row, key).value_or(std::string(fallback));
}

double finiteNumber(const nlohmann::json& row, std::string_view key) {
    double value = Wire::floating(Wire::field(row, key));
    return std::isfinite(value) ? value : 0;
}

Seconds dateOr(const nlohmann::json& row, std::string_view key, Seconds fallback) {
    return Wire::date(Wire::field(row, key)).value_or(fallback);
}

std::optional<std::string> refusal(const nlohmann::json& row,
                                   std::initializer_list<std::string_view> required,
                                   std::initializer_list<std::string_view> optional,
                                   std::initializer_list<std::string_view> hashes) {
    auto quoted = [](std::string_view key) {
        return "\"" + std::string(key) + "\"";
    };
    for (auto key : required)
        if (auto value = text(row, key); value && !Wire::isID(*value))
            return quoted(key) + " is not a usable id";
    // An empty optional text reads as absent and is stored as NULL.
    for (auto key : optional)
        if (auto value = text(row, key); value && !value->empty() && !Wire::isID(*value))
            return quoted(key) + " is not a usable id";
    for (auto key : hashes)
        if (auto value = text(row, key); value && !value->empty() && !Wire::isSHA256(*value))
            return quoted(key) + " is not a SHA-256";
    return std::nullopt;
}

std::optional<std::string> personRefusal(const nlohmann::json& row, std::string_view key) {
    if (auto value = text(row, key); value && value->empty())
        return "\"" + std::string(key) + "\" is not a usable person id";
    return std::nullopt;
}
} // namespace tavro::ServerRow
