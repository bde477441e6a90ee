#pragma once

#include "model/Time.h"
#include "store/Row.h"

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>

// Readings of one row object the server sends, beyond the loose readers: texts that must be
// there, texts with defaults, numbers fit for NOT NULL columns, and the forms its ids and hashes
// must have before anything of the row is written.
namespace tavro::ServerRow {

// The value when it is text, the empty text included.
std::optional<std::string> text(const nlohmann::json& row, std::string_view key);
std::string textOr(const nlohmann::json& row, std::string_view key, std::string_view fallback);
// A floating reading with "nan" and the infinities read as 0.
double finiteNumber(const nlohmann::json& row, std::string_view key);
Seconds dateOr(const nlohmann::json& row, std::string_view key, Seconds fallback);

// Why the row must not be written: the first key of `required` that holds text that is not an
// id (the empty text included), of `optional` that holds non-empty text that is not one, or of
// `hashes` that holds non-empty text that is not a SHA-256. Nothing when the row may be written.
std::optional<std::string> refusal(const nlohmann::json& row,
                                   std::initializer_list<std::string_view> required,
                                   std::initializer_list<std::string_view> optional = {},
                                   std::initializer_list<std::string_view> hashes = {});

// Why a row must not be written for the person id under `key`: only the empty text. A person id
// is the service's own text (such as "auth0|12345") and never names a file or a URL.
std::optional<std::string> personRefusal(const nlohmann::json& row, std::string_view key);

} // namespace tavro::ServerRow
