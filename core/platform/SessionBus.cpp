#include "platform/SessionBus.h"

#include <cstdlib>
#include <filesystem>

namespace tavro {

std::optional<std::string> sessionBusAddress() {
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return std::string(address);
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        std::error_code error;
        auto socket = std::filesystem::path(runtime) / "bus";
        if (std::filesystem::exists(socket, error))
            return "unix:path=" + socket.string();
    }
    return std::nullopt;
}

} // namespace tavro
