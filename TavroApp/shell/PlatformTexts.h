#pragma once

#include <string_view>

namespace tavro::PlatformTexts {

// The texts that name a place, a key or an app of the desktop, in the words of this one. Keep
// every such text here, so that a port finds them together.

// A group that lives in this library alone.
inline constexpr std::string_view onlyOnThisComputer = "Only on this computer";
// Opens the file manager at a screenshot's file.
inline constexpr std::string_view showInFolder = "Show in Folder";

} // namespace tavro::PlatformTexts
