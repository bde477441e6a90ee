#include "ToolArguments.h"

#include <cmath>
#include <limits>

namespace tavro::ToolArguments {

namespace {

const JSON* find(const JSON& arguments, std::string_view key) {
    if (!arguments.is_object())
        return nullptr;
    auto it = arguments.find(key);
    return it == arguments.end() ? nullptr : &*it;
}

} // namespace

std::optional<std::string> string(const JSON& arguments, std::string_view key) {
    auto value = find(arguments, key);
    if (!value || !value->is_string())
        return std::nullopt;
    return value->get<std::string>();
}

std::optional<std::string> nonEmptyString(const JSON& arguments, std::string_view key) {
    auto value = string(arguments, key);
    if (!value || value->empty())
        return std::nullopt;
    return value;
}

std::optional<std::vector<std::string>> stringList(const JSON& arguments, std::string_view key) {
    auto value = find(arguments, key);
    if (!value || !value->is_array())
        return std::nullopt;
    std::vector<std::string> list;
    list.reserve(value->size());
    for (const auto& element : *value) {
        if (!element.is_string())
            return std::nullopt;
        list.push_back(element.get<std::string>());
    }
    return list;
}

std::optional<std::int64_t> integer(const JSON& arguments, std::string_view key) {
    auto value = find(arguments, key);
    if (!value)
        return std::nullopt;
    if (value->is_number_integer() && !value->is_number_unsigned())
        return value->get<std::int64_t>();
    if (value->is_number_unsigned()) {
        auto number = value->get<std::uint64_t>();
        if (number > std::uint64_t(std::numeric_limits<std::int64_t>::max()))
            return std::numeric_limits<std::int64_t>::max();
        return std::int64_t(number);
    }
    if (value->is_number_float()) {
        // 5.0 is a whole number; huge ones saturate rather than overflow.
        double number = value->get<double>();
        if (!std::isfinite(number) || number != std::trunc(number))
            return std::nullopt;
        if (number >= 9.2e18)
            return std::numeric_limits<std::int64_t>::max();
        if (number <= -9.2e18)
            return std::numeric_limits<std::int64_t>::min();
        return std::int64_t(number);
    }
    return std::nullopt;
}

std::optional<bool> boolean(const JSON& arguments, std::string_view key) {
    auto value = find(arguments, key);
    if (!value || !value->is_boolean())
        return std::nullopt;
    return value->get<bool>();
}

} // namespace tavro::ToolArguments
