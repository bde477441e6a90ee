#pragma once

#include <optional>
#include <string>

namespace tavro {

// The address of the user's session bus when there is one to connect to: the environment's, or
// $XDG_RUNTIME_DIR/bus when that socket exists. Nothing otherwise, so that nothing ever
// autolaunches a bus, which can hang a process that has no session.
std::optional<std::string> sessionBusAddress();

} // namespace tavro
