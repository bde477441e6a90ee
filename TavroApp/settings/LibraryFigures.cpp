#include "settings/LibraryFigures.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace tavro {

namespace LibraryFigures {

std::string countText(std::int64_t count) {
    return std::to_string(count);
}

std::string byteCountText(std::int64_t bytes) {
    if (bytes == 0)
        return "Zero KB";
    const bool negative = bytes < 0;
    const double magnitude = std::fabs(double(bytes));
    const std::string sign = negative ? "-" : "";
    if (magnitude < 1000)
        return sign + std::to_string(std::llabs(bytes)) + (magnitude == 1 ? " byte" : " bytes");
    struct Unit {
        std::string_view name;
        int decimals;
    };
    static constexpr std::array<Unit, 6> units{
        {{"KB", 0}, {"MB", 1}, {"GB", 2}, {"TB", 2}, {"PB", 2}, {"EB", 2}}};
    double value = magnitude / 1000;
    std::size_t unit = 0;
    for (;;) {
        const double scale = std::pow(10.0, units[unit].decimals);
        const double rounded = std::round(value * scale) / scale;
        // 999,999 bytes round to 1,000 KB: that is 1 MB.
        if (rounded < 1000 || unit + 1 == units.size()) {
            value = rounded;
            break;
        }
        value /= 1000;
        ++unit;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", units[unit].decimals, value);
    std::string number = text;
    if (number.find('.') != std::string::npos) {
        while (number.back() == '0')
            number.pop_back();
        if (number.back() == '.')
            number.pop_back();
    }
    return sign + number + " " + std::string(units[unit].name);
}

} // namespace LibraryFigures

namespace AppInfo {

std::string versionString(const std::optional<std::string>& shortVersion,
                          const std::optional<std::string>& build) {
    return shortVersion.value_or("1.0") + " (" + build.value_or("1") + ")";
}

std::string versionString() {
#ifdef TAVRO_VERSION
    const std::string version = TAVRO_VERSION;
#else
    const std::string version;
#endif
#ifdef TAVRO_BUILD_NUMBER
    const std::string build = TAVRO_BUILD_NUMBER;
#else
    const std::string build;
#endif
    return versionString(version.empty() ? std::nullopt : std::optional(version),
                         build.empty() ? std::nullopt : std::optional(build));
}

} // namespace AppInfo

} // namespace tavro
