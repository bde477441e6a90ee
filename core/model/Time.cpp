#include "model/Time.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace tavro {

Seconds now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

namespace {

// The times a four-digit year can spell: 0001-01-01 to the end of 9999. Outside them a time
// cannot be written in the wire form, nor converted to time_t safely.
constexpr Seconds earliestWritable = -62135596800.0;
constexpr Seconds latestWritable = 253402300799.999;

Seconds writable(Seconds time) {
    if (!std::isfinite(time))
        return 0;
    return std::clamp(time, earliestWritable, latestWritable);
}

} // namespace

std::string formatISO8601(Seconds time) {
    time = writable(time);
    double whole = std::floor(time);
    auto millis = static_cast<int>(std::llround((time - whole) * 1000.0));
    if (millis == 1000) {
        whole += 1;
        millis = 0;
    }
    auto seconds = static_cast<std::time_t>(whole);
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ",
                  parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                  parts.tm_min, parts.tm_sec, millis);
    return buffer;
}

namespace {

bool readDigits(std::string_view text, size_t& pos, size_t count, int& out) {
    if (pos + count > text.size())
        return false;
    int value = 0;
    for (size_t i = 0; i < count; ++i) {
        char c = text[pos + i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    pos += count;
    out = value;
    return true;
}

bool expect(std::string_view text, size_t& pos, char c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

} // namespace

std::optional<Seconds> parseISO8601(std::string_view text) {
    size_t pos = 0;
    int year, month, day, hour, minute, second;
    if (!readDigits(text, pos, 4, year) || !expect(text, pos, '-') ||
        !readDigits(text, pos, 2, month) || !expect(text, pos, '-') ||
        !readDigits(text, pos, 2, day))
        return std::nullopt;
    if (!(expect(text, pos, 'T') || expect(text, pos, 't') || expect(text, pos, ' ')))
        return std::nullopt;
    if (!readDigits(text, pos, 2, hour) || !expect(text, pos, ':') ||
        !readDigits(text, pos, 2, minute) || !expect(text, pos, ':') ||
        !readDigits(text, pos, 2, second))
        return std::nullopt;
    double fraction = 0;
    if (expect(text, pos, '.')) {
        double scale = 0.1;
        size_t start = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            fraction += (text[pos] - '0') * scale;
            scale /= 10;
            ++pos;
        }
        if (pos == start)
            return std::nullopt;
    }
    int offsetSeconds = 0;
    if (expect(text, pos, 'Z') || expect(text, pos, 'z')) {
    } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        int sign = text[pos] == '-' ? -1 : 1;
        ++pos;
        // Only the internet form ±HH:MM, in range: "+0200", "+02" and "+99:00" are no offsets.
        int offH, offM;
        if (!readDigits(text, pos, 2, offH) || !expect(text, pos, ':') ||
            !readDigits(text, pos, 2, offM) || offH > 23 || offM > 59)
            return std::nullopt;
        offsetSeconds = sign * (offH * 3600 + offM * 60);
    } else {
        return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    using namespace std::chrono;
    auto date = year_month_day{std::chrono::year{year}, std::chrono::month{unsigned(month)},
                               std::chrono::day{unsigned(day)}};
    if (!date.ok())
        return std::nullopt;
    auto days = sys_days{date}.time_since_epoch().count();
    double total = double(days) * 86400.0 + hour * 3600.0 + minute * 60.0 + second - offsetSeconds;
    return total + fraction;
}

CalendarMonth localYearMonth(Seconds time) {
    auto seconds = static_cast<std::time_t>(std::floor(writable(time)));
    std::tm parts{};
    if (!localtime_r(&seconds, &parts))
        return {};
    return {parts.tm_year + 1900, parts.tm_mon + 1};
}

} // namespace tavro
