#pragma once

#include <functional>
#include <optional>
#include <string>

namespace tavro {

// The app's global features (screen grabs, hot keys, the overlay) need an X display: under a
// Wayland session that means XWayland. Decides before Qt starts which platform to ask for.
struct DisplaySessionChoice {
    std::optional<std::string> platform; // a QT_QPA_PLATFORM value to set, when one is needed
    std::optional<std::string> problem;  // what to tell the user when no X display exists
};

// `environment` reads a variable; absent when unset.
DisplaySessionChoice
chooseDisplaySession(const std::function<std::optional<std::string>(const char*)>& environment);

} // namespace tavro
