#include "model/Wire.h"

#include "model/Numbers.h"
#include "model/Text.h"

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <utility>

namespace tavro::Wire {

namespace {

// JSON integers may arrive as floating numbers with a whole value.
std::optional<std::int64_t> wholeNumber(const nlohmann::json& value) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned()) {
            auto u = value.get<std::uint64_t>();
            if (u > std::uint64_t(INT64_MAX))
                return std::nullopt;
            return std::int64_t(u);
        }
        return value.get<std::int64_t>();
    }
    return std::nullopt;
}

std::optional<std::int64_t> integerText(std::string_view text) {
    const bool negative = takeSign(text);
    if (text.empty())
        return std::nullopt;
    for (char c : text)
        if (c < '0' || c > '9')
            return std::nullopt;
    // Read as a negative magnitude first, so the smallest value fits too.
    std::string digits = "-" + std::string(text);
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    if (negative)
        return value;
    if (value == INT64_MIN)
        return std::nullopt;
    return -value;
}

locale_t posixLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    return locale;
}

std::optional<double> floatingText(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    switch (text.front()) {
    case ' ':
    case '\t':
    case '\n':
    case '\v':
    case '\f':
    case '\r':
        return std::nullopt;
    default:
        break;
    }
    char* end = nullptr;
    double value = strtod_l(text.c_str(), &end, posixLocale());
    if (end != text.c_str() + text.size())
        return std::nullopt;
    return value;
}

bool isText(const nlohmann::json* value) {
    return value && value->is_string();
}

std::string textOr(const nlohmann::json& object, std::string_view key, std::string fallback) {
    auto value = field(object, key);
    return isText(value) ? value->get<std::string>() : fallback;
}

std::string replacedUnderscores(std::string text) {
    for (char& c : text)
        if (c == '_')
            c = ' ';
    return text;
}

} // namespace

const nlohmann::json* field(const nlohmann::json& object, std::string_view key) {
    if (!object.is_object())
        return nullptr;
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

std::optional<std::string> str(const nlohmann::json* value) {
    if (!isText(value))
        return std::nullopt;
    const auto& text = value->get_ref<const std::string&>();
    if (text.empty())
        return std::nullopt;
    return text;
}

std::int64_t integer(const nlohmann::json* value) {
    if (!value)
        return 0;
    if (value->is_number_integer())
        return wholeNumber(*value).value_or(0);
    if (value->is_number_float())
        return truncatedInteger(value->get<double>()).value_or(0);
    if (value->is_string())
        return integerText(value->get_ref<const std::string&>()).value_or(0);
    return 0;
}

double floating(const nlohmann::json* value) {
    if (!value)
        return 0;
    if (value->is_number_float())
        return value->get<double>();
    if (value->is_number_unsigned())
        return double(value->get<std::uint64_t>());
    if (value->is_number_integer())
        return double(value->get<std::int64_t>());
    if (value->is_string())
        return floatingText(value->get_ref<const std::string&>()).value_or(0);
    return 0;
}

bool boolean(const nlohmann::json* value) {
    if (!value)
        return false;
    if (value->is_boolean())
        return value->get<bool>();
    if (value->is_number_integer())
        return value->is_number_unsigned() ? value->get<std::uint64_t>() != 0
                                           : value->get<std::int64_t>() != 0;
    return false;
}

std::vector<std::string> strings(const nlohmann::json* value) {
    std::vector<std::string> out;
    if (!value || !value->is_array())
        return out;
    for (const auto& element : *value)
        if (element.is_string())
            out.push_back(element.get<std::string>());
    return out;
}

std::optional<std::string> json(const nlohmann::json* value) {
    if (!value)
        return std::nullopt;
    if (value->is_string())
        return value->get<std::string>();
    if (!value->is_object() && !value->is_array())
        return std::nullopt;
    if (nestedDeeperThan(*value, maxNesting))
        return std::nullopt;
    try {
        return value->dump();
    } catch (const nlohmann::json::exception&) {
        // Text that is not UTF-8 cannot be stored as JSON: the value counts as absent.
        return std::nullopt;
    }
}

std::optional<Seconds> date(const nlohmann::json* value) {
    if (!value)
        return std::nullopt;
    std::optional<Seconds> time;
    if (value->is_string()) {
        time = parseISO8601(value->get_ref<const std::string&>());
    } else if (value->is_number()) {
        double count = floating(value);
        time = count > 1e12 ? count / 1000 : count;
    }
    if (!time || !std::isfinite(*time))
        return std::nullopt;
    return time;
}

nlohmann::json stamp(const std::optional<Seconds>& time) {
    if (!time)
        return nullptr;
    return formatISO8601(*time);
}

std::optional<std::string> summarize(std::string_view kind, const nlohmann::json* detail,
                                     const NameResolver& names) {
    static const nlohmann::json empty = nlohmann::json::object();
    const nlohmann::json& object = detail && detail->is_object() ? *detail : empty;

    auto nameOf = [&](std::string_view key) -> std::optional<std::string> {
        auto value = field(object, key);
        if (!isText(value))
            return std::nullopt;
        auto id = value->get<std::string>();
        if (names)
            if (auto name = names(id))
                return name;
        return id;
    };

    if (kind == "status_changed") {
        auto from = replacedUnderscores(textOr(object, "from", ""));
        auto to = replacedUnderscores(textOr(object, "to", ""));
        if (from.empty())
            return to;
        return from + " \u2192 " + to;
    }
    if (kind == "assigned")
        return nameOf("assignee_id");
    if (kind == "resolved" || kind == "proposed") {
        if (auto value = field(object, "resolution"); isText(value))
            return value->get<std::string>();
        if (auto value = field(object, "resolution_ref"); isText(value))
            return value->get<std::string>();
        return std::nullopt;
    }
    if (kind == "commented")
        return text::prefixCharacters(textOr(object, "body", ""), 140);
    if (kind == "moved") {
        if (auto value = field(object, "group_name"); isText(value))
            return value->get<std::string>();
        return nameOf("group_id");
    }
    if (kind == "created") {
        auto mode = field(object, "mode");
        if (!isText(mode))
            return std::nullopt;
        const auto& text = mode->get_ref<const std::string&>();
        if (text == "text")
            return "no screenshot";
        return text::capitalized(text);
    }
    if (kind == "claimed")
        return std::nullopt;
    if (object.empty())
        return std::nullopt;
    return json(&object);
}

bool nestedDeeperThan(const nlohmann::json& value, std::size_t levels) {
    std::vector<std::pair<const nlohmann::json*, std::size_t>> open{{&value, 0}};
    while (!open.empty()) {
        const auto [node, outer] = open.back();
        open.pop_back();
        if (!node->is_structured())
            continue;
        if (outer >= levels)
            return true;
        for (const auto& child : *node)
            if (child.is_structured())
                open.emplace_back(&child, outer + 1);
    }
    return false;
}

bool textNestedDeeperThan(std::string_view text, std::size_t levels) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > levels)
                return true;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return false;
}

bool isID(std::string_view text) {
    if (text.empty() || text.size() > 128)
        return false;
    for (char c : text) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_';
        if (!ok)
            return false;
    }
    return true;
}

bool isSHA256(std::string_view text) {
    if (text.size() != 64)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

} // namespace tavro::Wire
