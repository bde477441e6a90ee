#pragma once

#include "model/Time.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Readers of the loosely typed JSON values the web service sends, and the checks a value must
// pass before it may name a file or a URL path. A reader takes the value under a key, or nothing
// when the key was missing (JSON null is a value of its own that no reader accepts), and never
// fails: an unreadable value gives the stated default.
namespace tavro::Wire {

// The value under `key`; nothing when `object` is not an object or lacks the key.
const nlohmann::json* field(const nlohmann::json& object, std::string_view key);

// Text of at least one character.
std::optional<std::string> str(const nlohmann::json* value);
// An integer, a floating number truncated toward zero, or text that is wholly an optional sign
// and ASCII digits; 0 for anything else, a non-finite number or one beyond 64 bits included.
std::int64_t integer(const nlohmann::json* value);
// A number, or text that strtod reads to its end in the POSIX locale without leading white
// space (so "nan" and "inf" are read); 0 otherwise.
double floating(const nlohmann::json* value);
// A boolean, or an integer other than 0; false otherwise.
bool boolean(const nlohmann::json* value);
// The text elements of an array, in order.
std::vector<std::string> strings(const nlohmann::json* value);
// Text as it is, or an object or array as compact JSON with sorted keys; nothing for one nested
// deeper than maxNesting.
std::optional<std::string> json(const nlohmann::json* value);
// ISO 8601 text with or without fractional seconds, or a count since 1970: seconds up to 10^12,
// milliseconds above. A number that is not finite is absent: no column could hold it.
std::optional<Seconds> date(const nlohmann::json* value);
// The wire form of a time: ISO 8601 in UTC with three fractional digits, or null.
nlohmann::json stamp(const std::optional<Seconds>& time);

// Looks a person's display name up by id.
using NameResolver = std::function<std::optional<std::string>(std::string_view id)>;

// The one line of text stored for a server history event.
std::optional<std::string> summarize(std::string_view kind, const nlohmann::json* detail,
                                     const NameResolver& names);

// How deeply arrays and objects may nest in a value that is written out or copied. The writer
// and the copy go one call deeper per level, so a value nested deeper is refused instead of
// exhausting the stack.
inline constexpr std::size_t maxNesting = 512;
// True when arrays and objects nest more than `levels` deep in `value` (a scalar is 0 deep,
// "[]" 1); looks without recursing.
bool nestedDeeperThan(const nlohmann::json& value, std::size_t levels);
// The same for JSON text, looked at before it is parsed ("[]" is 1 deep; brackets inside strings
// do not count). One pass over the text: a depth check inside the parser costs far more.
bool textNestedDeeperThan(std::string_view text, std::size_t levels);

// An identifier that may become part of a file name or a URL path: 1 to 128 ASCII letters,
// digits, hyphens and underscores (a UUID with or without its hyphens passes; "/", "." and
// anything else do not).
bool isID(std::string_view text);
// A SHA-256 as the wire names files: 64 lower-case hexadecimal digits.
bool isSHA256(std::string_view text);

} // namespace tavro::Wire
