#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tavro {

// Seconds since 1970-01-01 00:00 UTC, fractional: the form the library stores.
using Seconds = double;

Seconds now();

// "2026-03-01T12:00:00.000Z": UTC with three fractional digits.
std::string formatISO8601(Seconds time);

// Reads RFC 3339 date-times with or without fractional seconds, with "Z" or an offset ±HH:MM.
std::optional<Seconds> parseISO8601(std::string_view text);

struct CalendarMonth {
    int year = 0;
    int month = 0;
};

// Year and month in the local time zone (the Gregorian calendar).
CalendarMonth localYearMonth(Seconds time);

} // namespace tavro
