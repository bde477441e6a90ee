#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tavro {

// The texts of the Library settings tab, apart from its widgets.
namespace LibraryFigures {

// A count in decimal digits, as the "Captures" and "Open" rows show it.
std::string countText(std::int64_t count);

// A size on disk in the words a file manager uses: decimal units, "Zero KB" for nothing, whole
// bytes and kilobytes, megabytes to one decimal, larger units to two, without trailing zeros
// ("1 byte", "999 bytes", "2 KB", "1.5 MB", "1.23 GB").
std::string byteCountText(std::int64_t bytes);

} // namespace LibraryFigures

namespace AppInfo {

// "<short version> (<build>)", each falling back on its own: "1.0" and "1".
std::string versionString(const std::optional<std::string>& shortVersion,
                          const std::optional<std::string>& build);
// The installed program's: its version, and its build number when the build names one.
std::string versionString();

} // namespace AppInfo

} // namespace tavro
